#include "core/ProfileFile.h"

#include "core/Cp932.h"
#include "core/PosixFileSink.h"
#include "core/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

using Lines = std::vector<std::string>;

enum class ReadResult { Read, Missing, Failed };

ReadResult readBytes(const std::string& path, std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, count);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? ReadResult::Failed : ReadResult::Read;
}

// Accepts CR LF as well as bare LF line ends.
Lines splitLines(std::string_view bytes)
{
    Lines lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return lines;
}

std::string joinLines(const Lines& lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

// Space and tab are never the second byte of a double-byte character, so
// trimming code page 932 text byte by byte is safe.
std::string_view trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    const std::size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    line = trim(line);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || line.front() == '[' || equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
}

// Lines [header + 1, end) belong to the section whose header is at `header`.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> findSection(const Lines& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i]);
        if (!name || !sameName(*name, section)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionName(lines[end])) {
            ++end;
        }
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const Lines& lines, SectionRange range, std::string_view key)
{
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto entry = keyLine(lines[i]);
        if (entry && sameName(entry->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string oneLine(std::string_view value)
{
    std::string text(value);
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

void setEntry(Lines& lines, const std::string& section, const std::string& key, const std::string& value)
{
    std::string line = key + "=" + oneLine(value);
    const auto range = findSection(lines, section);
    if (!range) {
        lines.push_back("[" + section + "]");
        lines.push_back(std::move(line));
        return;
    }
    if (const auto at = findKey(lines, *range, key)) {
        lines[*at] = std::move(line);
        return;
    }
    // After the section's last entry, so that blank lines before the next
    // section stay where they are.
    std::size_t insertAt = range->end;
    while (insertAt > range->header + 1 && trim(lines[insertAt - 1]).empty()) {
        --insertAt;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

// A read-only file is left as it is; a replaced one keeps its mode.
bool replaceFile(const std::string& path, std::string_view bytes)
{
    const std::optional<std::string> target = fileBehind(path);
    if (!target) {
        return false;
    }
    struct stat existing { };
    if (::stat(target->c_str(), &existing) != 0) {
        PosixFileSink sink;
        return replaceFileSafely(sink, *target, bytes);
    }
    if (::access(target->c_str(), W_OK) != 0) {
        return false;
    }
    PosixFileSink sink(existing.st_mode & 07777);
    return replaceFileSafely(sink, *target, bytes);
}

} // namespace

ProfileFile::ProfileFile(std::string path)
    : m_path(std::move(path))
{
}

std::optional<std::string> ProfileFile::read(std::string_view section, std::string_view key) const
{
    std::string bytes;
    if (readBytes(m_path, bytes) != ReadResult::Read) {
        return std::nullopt;
    }
    const Lines lines = splitLines(bytes);
    const auto range = findSection(lines, toCp932(section));
    if (!range) {
        return std::nullopt;
    }
    const auto at = findKey(lines, *range, toCp932(key));
    if (!at) {
        return std::nullopt;
    }
    return fromCp932(cutCp932(keyLine(lines[*at])->value, kMaxValueBytes));
}

std::string ProfileFile::readString(
    std::string_view section, std::string_view key, std::string_view fallback) const
{
    return read(section, key).value_or(std::string(fallback));
}

bool ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) const
{
    return write(section, {Entry(key, value)});
}

bool ProfileFile::write(std::string_view section, const std::vector<Entry>& entries) const
{
    if (m_path.empty() || trim(section).empty()) {
        return false;
    }
    std::string bytes;
    if (readBytes(m_path, bytes) == ReadResult::Failed) {
        return false;
    }
    Lines lines = splitLines(bytes);
    const std::string sectionBytes = toCp932(trim(section));
    for (const auto& [key, value] : entries) {
        if (trim(key).empty()) {
            return false;
        }
        setEntry(lines, sectionBytes, toCp932(trim(key)), toCp932(value));
    }
    return replaceFile(m_path, joinLines(lines));
}

} // namespace kvx
