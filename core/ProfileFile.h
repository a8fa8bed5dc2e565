#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

// A private-profile (".ini") file: "[section]" headers and "key=value" lines,
// code page 932 on disk with CR LF line ends. Every call reads the file afresh,
// so two objects on the same path always agree. Section and key names match
// without regard to ASCII case; spaces around keys and values are ignored.
class ProfileFile {
public:
    // What one read returns at most, in code page 932 bytes: the size of the
    // 256-byte buffer the program reads into, less its terminating NUL.
    static constexpr std::size_t kMaxValueBytes = 255;

    using Entry = std::pair<std::string, std::string>;

    explicit ProfileFile(std::string path);

    const std::string& path() const { return m_path; }

    // The value of `key`, cut to kMaxValueBytes at a character boundary;
    // nothing when the file, the section or the key is missing.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;

    // Replaces the key's line in place, or appends the key at the end of its
    // section, or the section at the end of the file, creating the file when
    // needed. Every other line stays as it was. A value is one line: line
    // breaks in it become spaces. False when the file cannot be written.
    bool write(std::string_view section, std::string_view key, std::string_view value) const;
    // Same as writing each entry in turn, in one replacement of the file.
    bool write(std::string_view section, const std::vector<Entry>& entries) const;

private:
    std::string m_path;
};

} // namespace kvx
