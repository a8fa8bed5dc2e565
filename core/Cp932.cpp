#include "core/Cp932.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace kvx {

namespace {

// Converts with iconv, replacing what the target cannot hold by `replacement`
// and skipping one source character. `sourceCharLength` tells how long the
// offending character is, so that the rest of the text is kept.
class Converter {
public:
    Converter(const char* to, const char* from)
        : m_cd(iconv_open(to, from))
    {
    }
    ~Converter()
    {
        if (m_cd != invalidHandle()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    template <typename CharLength>
    std::string convert(std::string_view input, std::string_view replacement, CharLength sourceCharLength)
    {
        std::string output;
        if (m_cd == invalidHandle()) {
            return std::string(input);
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        output.reserve(input.size() * 3 / 2 + 8);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(m_cd, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL: an unconvertible or cut-off character.
            output.append(replacement);
            const std::size_t skip = std::min(inLeft, sourceCharLength(std::string_view(in, inLeft)));
            in += skip;
            inLeft -= skip;
        }
        return output;
    }

private:
    // iconv_open reports failure with this very handle; no other is compared.
    static iconv_t invalidHandle()
    {
        return reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)
    }
    iconv_t m_cd;
};

std::size_t utf8CharLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    // Never skip past a byte that cannot continue this character.
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return i;
        }
    }
    return length;
}

bool isCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t cp932CharLength(std::string_view text)
{
    return isCp932LeadByte(static_cast<unsigned char>(text.front())) && text.size() >= 2 ? 2 : 1;
}

// Characters that Japanese input on Linux produces where Windows text has their
// code page 932 look-alikes (wave dash, double vertical line, minus sign, ...).
// One pass; every character to replace starts with one of the bytes C2, E2, E3.
std::string normaliseForCp932(std::string_view utf8)
{
    static constexpr std::pair<std::string_view, std::string_view> kMap[] = {
        {"\u301C", "\uFF5E"},
        {"\u2016", "\u2225"},
        {"\u2212", "\uFF0D"},
        {"\u00A2", "\uFFE0"},
        {"\u00A3", "\uFFE1"},
        {"\u00AC", "\uFFE2"},
        {"\u2014", "\u2015"},
    };
    std::string text;
    text.reserve(utf8.size() + 2);
    std::size_t copied = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte != 0xC2 && byte != 0xE2 && byte != 0xE3) {
            continue;
        }
        for (const auto& [from, to] : kMap) {
            if (utf8.substr(i, from.size()) == from) {
                text.append(utf8.substr(copied, i - copied)).append(to);
                copied = i + from.size();
                i = copied - 1;
                break;
            }
        }
    }
    return text.append(utf8.substr(copied));
}

bool isAscii(std::string_view text)
{
    // Eight bytes at a time: text is mostly ASCII or mostly not, and long.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & kHighBits) != 0) {
            return false;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string toCp932(std::string_view utf8)
{
    if (isAscii(utf8)) {
        return std::string(utf8);
    }
    thread_local Converter converter("CP932", "UTF-8");
    return converter.convert(normaliseForCp932(utf8), "?", utf8CharLength);
}

std::string fromCp932(std::string_view cp932)
{
    if (isAscii(cp932)) {
        return std::string(cp932);
    }
    thread_local Converter converter("UTF-8", "CP932");
    return converter.convert(cp932, "\uFFFD", cp932CharLength);
}

std::string_view cutCp932(std::string_view cp932, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < cp932.size()) {
        const std::size_t length = cp932CharLength(cp932.substr(end));
        if (end + length > maxBytes) {
            break;
        }
        end += length;
    }
    return cp932.substr(0, end);
}

bool survivesCp932(std::string_view utf8)
{
    return fromCp932(toCp932(utf8)) == utf8;
}

} // namespace kvx
