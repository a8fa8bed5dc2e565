#include "core/ProfileFile.h"

#include "core/Cp932.h"
#include "core/PosixFileSink.h"
#include "core/WholeFile.h"

#include <cerrno>
#include <deque>

namespace kvx {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Accepts CR LF as well as bare LF line ends.
std::vector<std::string_view> splitLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return lines;
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

std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
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

char lowerByte(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

struct ProfileText::Storage {
    std::string byteOrderMark;
    std::string bytes;
    std::deque<std::string> lines;
};

ProfileText::ProfileText()
    : m_storage(std::make_unique<Storage>())
{
}

ProfileText::ProfileText(std::string_view bytes)
    : ProfileText()
{
    if (bytes.starts_with(kByteOrderMark)) {
        m_storage->byteOrderMark = kByteOrderMark;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    m_storage->bytes = bytes;
    m_lines = splitLines(m_storage->bytes);
}

ProfileText::ProfileText(ProfileText&&) noexcept = default;
ProfileText& ProfileText::operator=(ProfileText&&) noexcept = default;
ProfileText::~ProfileText() = default;

std::size_t ProfileText::NameHash::operator()(std::string_view name) const
{
    std::size_t hash = 14695981039346656037u;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(lowerByte(c))) * 1099511628211u;
    }
    return hash;
}

bool ProfileText::NameEqual::operator()(std::string_view a, std::string_view b) const
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerByte(a[i]) != lowerByte(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view ProfileText::keep(std::string line)
{
    return m_storage->lines.emplace_back(std::move(line));
}

std::optional<ProfileText::SectionRange> ProfileText::findSection(std::string_view section) const
{
    const std::string lowerSection = lowerAscii(section);
    if (const auto known = m_sections.find(lowerSection); known != m_sections.end()) {
        return known->second;
    }
    std::optional<SectionRange> found;
    for (std::size_t i = 0; i < m_lines.size() && !found; ++i) {
        const auto name = sectionName(m_lines[i]);
        if (!name || !NameEqual()(*name, section)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < m_lines.size() && !sectionName(m_lines[end])) {
            ++end;
        }
        found = SectionRange{i, end};
    }
    m_sections.emplace(lowerSection, found);
    return found;
}

const ProfileText::KeyIndex& ProfileText::keysOf(std::string_view section, SectionRange range) const
{
    auto [at, added] = m_keys.try_emplace(lowerAscii(section));
    if (added) {
        at->second.reserve(range.end - range.header);
        for (std::size_t i = range.header + 1; i < range.end; ++i) {
            if (const auto entry = keyLine(m_lines[i])) {
                at->second.try_emplace(entry->key, i);
            }
        }
    }
    return at->second;
}

std::optional<std::string> ProfileText::read(
    std::string_view section, std::string_view key, std::size_t maxBytes) const
{
    const std::string sectionBytes = toCp932(trim(section));
    const auto range = findSection(sectionBytes);
    if (!range) {
        return std::nullopt;
    }
    const KeyIndex& keys = keysOf(sectionBytes, *range);
    const auto at = keys.find(toCp932(trim(key)));
    if (at == keys.end()) {
        return std::nullopt;
    }
    return fromCp932(cutCp932(keyLine(m_lines[at->second])->value, maxBytes));
}

void ProfileText::set(std::string_view section, std::string_view key, std::string_view value)
{
    set(section, {Entry(key, value)});
}

// Keys already there change in place; the others go, in their order, after
// the section's last entry, so that blank lines before the next section stay
// where they are.
void ProfileText::set(std::string_view section, const std::vector<Entry>& entries)
{
    const std::string sectionBytes = toCp932(trim(section));
    const auto range = findSection(sectionBytes);
    std::vector<std::string> added;
    KeyIndex addedKeys;
    std::vector<std::string> addedNames;
    addedNames.reserve(entries.size());
    for (const auto& [key, value] : entries) {
        const std::string keyBytes = toCp932(trim(key));
        std::string line = keyBytes + "=" + oneLine(toCp932(value));
        if (range) {
            const KeyIndex& keys = keysOf(sectionBytes, *range);
            if (const auto at = keys.find(keyBytes); at != keys.end()) {
                m_lines[at->second] = keep(std::move(line));
                continue;
            }
        }
        if (const auto at = addedKeys.find(keyBytes); at != addedKeys.end()) {
            added[at->second] = std::move(line);
            continue;
        }
        addedKeys.emplace(addedNames.emplace_back(keyBytes), added.size());
        added.push_back(std::move(line));
    }
    if (added.empty()) {
        return;
    }
    std::vector<std::string_view> lines;
    lines.reserve(added.size());
    for (std::string& line : added) {
        lines.push_back(keep(std::move(line)));
    }
    if (!range) {
        m_lines.push_back(keep("[" + sectionBytes + "]"));
        m_lines.insert(m_lines.end(), lines.begin(), lines.end());
    } else {
        std::size_t insertAt = range->end;
        while (insertAt > range->header + 1 && trim(m_lines[insertAt - 1]).empty()) {
            --insertAt;
        }
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), lines.begin(), lines.end());
    }
    m_sections.clear();
    m_keys.clear();
}

std::string ProfileText::bytes() const
{
    std::size_t size = m_storage->byteOrderMark.size();
    for (const std::string_view line : m_lines) {
        size += line.size() + 2;
    }
    std::string bytes;
    bytes.reserve(size);
    bytes += m_storage->byteOrderMark;
    for (const std::string_view line : m_lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

ProfileFile::ProfileFile(std::string path)
    : m_path(std::move(path))
{
}

ProfileText ProfileFile::text() const
{
    std::string bytes;
    if (readWholeFile(m_path, bytes, kMaxFileBytes) != ReadStatus::Read) {
        return ProfileText();
    }
    return ProfileText(bytes);
}

std::optional<std::string> ProfileFile::read(
    std::string_view section, std::string_view key, std::size_t maxBytes) const
{
    return text().read(section, key, maxBytes);
}

std::string ProfileFile::readString(
    std::string_view section, std::string_view key, std::string_view fallback, std::size_t maxBytes) const
{
    return read(section, key, maxBytes).value_or(std::string(fallback));
}

bool ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) const
{
    return write(section, {Entry(key, value)});
}

bool ProfileFile::write(
    std::string_view section, const std::vector<Entry>& entries, std::string* reason) const
{
    if (m_path.empty() || trim(section).empty()) {
        if (reason != nullptr) {
            *reason = systemReason(EINVAL);
        }
        return false;
    }
    std::string bytes;
    // A file that is there but cannot be read is not replaced by one that
    // lost its other lines.
    if (readWholeFile(m_path, bytes, kMaxFileBytes, reason) == ReadStatus::Failed) {
        return false;
    }
    for (const auto& entry : entries) {
        if (trim(entry.first).empty()) {
            if (reason != nullptr) {
                *reason = systemReason(EINVAL);
            }
            return false;
        }
    }
    ProfileText text(bytes);
    text.set(section, entries);
    PosixFileSink sink;
    return replaceFileSafely(sink, m_path, text.bytes(), reason);
}

} // namespace kvx
