#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kvx {

// The text of a private-profile (".ini") file, parsed once: "[section]"
// headers and "key=value" lines, code page 932 with CR LF line ends. Section
// and key names match without regard to ASCII case; spaces around keys and
// values are ignored; the first of two equal keys counts. A UTF-8 byte-order
// mark before the first line is not part of it, and is written back as found.
class ProfileText {
public:
    using Entry = std::pair<std::string, std::string>;

    ProfileText();
    explicit ProfileText(std::string_view bytes);
    ProfileText(ProfileText&&) noexcept;
    ProfileText& operator=(ProfileText&&) noexcept;
    ~ProfileText();
    ProfileText(const ProfileText&) = delete;
    ProfileText& operator=(const ProfileText&) = delete;

    // The value of `key` as UTF-8, cut to `maxBytes` of code page 932 at a
    // character boundary; nothing when the section or the key is missing.
    std::optional<std::string> read(
        std::string_view section, std::string_view key, std::size_t maxBytes) const;

    // Replaces the key's line in place, or appends the key at the end of its
    // section, or the section at the end of the text. A value is one line:
    // line breaks in it become spaces. Names and values are UTF-8.
    void set(std::string_view section, std::string_view key, std::string_view value);
    // The same for each entry in turn, in one pass over the text.
    void set(std::string_view section, const std::vector<Entry>& entries);

    std::string bytes() const;

private:
    struct SectionRange {
        std::size_t header;
        std::size_t end; // lines [header + 1, end) belong to the section
    };
    // Names compare without regard to ASCII case.
    struct NameHash {
        std::size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using KeyIndex = std::unordered_map<std::string_view, std::size_t, NameHash, NameEqual>;
    // The text's bytes and every line written since; lines point into them,
    // and they stay where they are when the text moves.
    struct Storage;

    std::optional<SectionRange> findSection(std::string_view section) const;
    const KeyIndex& keysOf(std::string_view section, SectionRange range) const;
    std::string_view keep(std::string line);

    std::unique_ptr<Storage> m_storage;
    std::vector<std::string_view> m_lines;
    // Built on the first question about each section; dropped by every change
    // that moves lines.
    mutable std::unordered_map<std::string, std::optional<SectionRange>> m_sections;
    mutable std::unordered_map<std::string, KeyIndex> m_keys;
};

// A private-profile file on disk. Every call reads the file afresh, so two
// objects on the same path always agree. Only a regular file is read or
// written, and reading never waits: anything else at the path (a named pipe,
// a device, a folder) reads as no file and is never written.
class ProfileFile {
public:
    // What one read returns at most, in code page 932 bytes: the size of the
    // 256-byte buffer the program reads into, less its terminating NUL.
    static constexpr std::size_t kMaxValueBytes = 255;
    // Larger files are no settings files this program wrote.
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    using Entry = ProfileText::Entry;

    explicit ProfileFile(std::string path);

    const std::string& path() const { return m_path; }

    // The parsed file; empty when it is missing or cannot be read.
    ProfileText text() const;

    // The value of `key`, cut to `maxBytes` at a character boundary;
    // nothing when the file, the section or the key is missing.
    std::optional<std::string> read(
        std::string_view section, std::string_view key, std::size_t maxBytes = kMaxValueBytes) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view fallback,
        std::size_t maxBytes = kMaxValueBytes) const;

    // Sets the key as ProfileText::set does, creating the file when needed;
    // every other line stays as it was. False when the file cannot be
    // written, and `reason`, when given, says why.
    bool write(std::string_view section, std::string_view key, std::string_view value) const;
    // Same as writing each entry in turn, in one replacement of the file.
    bool write(
        std::string_view section, const std::vector<Entry>& entries, std::string* reason = nullptr) const;

private:
    std::string m_path;
};

} // namespace kvx
