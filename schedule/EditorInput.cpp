#include "schedule/EditorInput.h"

#include <limits>

namespace kvx {

namespace {

// Decodes one UTF-8 sequence at `i`, advancing it; malformed bytes pass alone.
char32_t decode(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int length = 1;
    char32_t code = lead;
    if (lead >= 0xF0) {
        length = 4;
        code = lead & 0x07U;
    } else if (lead >= 0xE0) {
        length = 3;
        code = lead & 0x0FU;
    } else if (lead >= 0xC0) {
        length = 2;
        code = lead & 0x1FU;
    }
    if (length == 1 || i + static_cast<std::size_t>(length) > text.size()) {
        ++i;
        return lead;
    }
    for (int k = 1; k < length; ++k) {
        code = (code << 6) | (byte(i + static_cast<std::size_t>(k)) & 0x3FU);
    }
    i += static_cast<std::size_t>(length);
    return code;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int largestDigit(int box)
{
    switch (box % 4) {
    case 0:
        return 2;
    case 2:
        return 5;
    default:
        return 9;
    }
}

long long leadingValue(std::string_view text)
{
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long value = 0;
    for (const char c : text) {
        if (!isDigit(c)) {
            break;
        }
        const int digit = c - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

std::string narrowWidth(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        const char32_t code = decode(text, i);
        if (code >= 0xFF01 && code <= 0xFF5E) {
            out.push_back(static_cast<char>(code - 0xFF01 + 0x21));
        } else if (code == 0x3000) {
            out.push_back(' ');
        } else {
            out.append(text.substr(start, i - start));
        }
    }
    return out;
}

FilteredText keepDigits(std::string_view text)
{
    FilteredText result;
    for (const char c : narrowWidth(text)) {
        if (isDigit(c)) {
            result.text.push_back(c);
        } else {
            result.removed = true;
        }
    }
    return result;
}

FilteredText keepDigitsUpTo(std::string_view text, long long limit)
{
    FilteredText result;
    for (const char c : narrowWidth(text)) {
        if (isDigit(c) && leadingValue(result.text + c) <= limit) {
            result.text.push_back(c);
        } else {
            result.removed = true;
        }
    }
    return result;
}

PortText cleanPortNumber(std::string_view text)
{
    PortText result;
    const FilteredText digits = keepDigits(text);
    result.filtered.removed = digits.removed;
    result.tooLarge = leadingValue(digits.text) > kLargestPort;
    for (const char c : digits.text) {
        std::string& kept = result.filtered.text;
        if (kept.size() < 5 && leadingValue(kept + c) <= kLargestPort) {
            kept.push_back(c);
            continue;
        }
        result.filtered.removed = true;
    }
    return result;
}

bool timeDigitPasses(int box, std::string_view text, std::string_view hourTens)
{
    const long long value = leadingValue(text);
    if (text != "0" && value == 0) {
        return false;
    }
    if (value > largestDigit(box)) {
        return false;
    }
    const bool hourUnits = box == kStartHourUnits || box == kEndHourUnits;
    return !(hourUnits && leadingValue(hourTens) >= 2 && value >= 4);
}

KeypadEffect keypadPress(int lastFocused, int digit, std::string_view hourTens)
{
    using Selection = KeypadEffect::Selection;
    KeypadEffect effect;
    const std::string d(1, static_cast<char>('0' + digit));
    const auto moveTo = [&effect](int box, Selection selection) {
        effect.focus = box;
        effect.selectBox = box;
        effect.selection = selection;
    };
    const auto refuse = [&effect](int box) {
        effect.selectBox = box;
        effect.selection = Selection::SelectAll;
    };
    switch (lastFocused) {
    case kStartHourTens:
    case kEndHourTens:
        if (digit >= 3) {
            effect.writes = {{lastFocused, "0"}, {lastFocused + 1, d}};
            moveTo(lastFocused + 2, Selection::SelectAll);
        } else {
            effect.writes = {{lastFocused, d}};
            moveTo(lastFocused + 1, Selection::SelectAll);
        }
        break;
    case kStartHourUnits:
    case kEndHourUnits: {
        const long long tens = leadingValue(hourTens);
        if (tens == 0 || tens == 1 || (tens == 2 && digit <= 3)) {
            effect.writes = {{lastFocused, d}};
            moveTo(lastFocused + 1, Selection::SelectAll);
        } else if (tens == 2) {
            refuse(lastFocused);
        }
        break;
    }
    case kStartMinuteTens:
    case kEndMinuteTens:
        if (digit <= 5) {
            effect.writes = {{lastFocused, d}};
            moveTo(lastFocused + 1, Selection::SelectAll);
        } else {
            refuse(lastFocused);
        }
        break;
    case kStartMinuteUnits:
        effect.writes = {{lastFocused, d}};
        moveTo(kEndHourTens, Selection::SelectAll);
        break;
    case kEndMinuteUnits:
        effect.writes = {{lastFocused, d}};
        refuse(lastFocused);
        break;
    default:
        break;
    }
    return effect;
}

} // namespace kvx
