#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

// The eight one-digit time boxes of the editor, in focus order.
enum TimeBox : int {
    kNoBox = -1,
    kStartHourTens = 0, // Text1
    kStartHourUnits = 1, // Text2
    kStartMinuteTens = 2, // Text3
    kStartMinuteUnits = 3, // Text4
    kEndHourTens = 4, // Text12
    kEndHourUnits = 5, // Text13
    kEndMinuteTens = 6, // Text14
    kEndMinuteUnits = 7, // Text15
};
inline constexpr int kTimeBoxCount = 8;

// The box's largest digit: 2 for hour tens, 5 for minute tens, 9 for units.
int largestDigit(int box);
inline bool isTensBox(int box)
{
    return box % 2 == 0;
}

// The leading decimal number of a text as the editor reads its boxes: 0 when
// it starts with no digit; saturates instead of wrapping.
long long leadingValue(std::string_view text);

// Full-width ASCII forms (and the ideographic space) turned into their narrow forms.
std::string narrowWidth(std::string_view text);

struct FilteredText {
    std::string text;
    bool removed = false; // a character was taken out (narrowing alone is no removal)
};
// Every character that is not a digit taken out, after narrowing: the filter
// of the units boxes, the day of month and the port number.
FilteredText keepDigits(std::string_view text);
// The tens-box filter: non-digits taken out, and every digit with which the
// number so far would exceed `limit`.
FilteredText keepDigitsUpTo(std::string_view text, long long limit);

// The port box: digits only, at most five, and none that would take the
// number past 65535 (`tooLarge`: the digits as typed named a larger number).
inline constexpr long long kLargestPort = 65535;
inline constexpr const char* kPortRangeMessage = "ポート番号を、１から６５５３５までの値にしてください";
struct PortText {
    FilteredText filtered;
    bool tooLarge = false;
};
PortText cleanPortNumber(std::string_view text);

// The check of one time box (no message): `hourTens` is the text of the hour
// tens box of the same time, used by the hour units boxes.
bool timeDigitPasses(int box, std::string_view text, std::string_view hourTens);

// What the on-screen keypad does to the last-focused time box.
struct KeypadEffect {
    enum class Selection { None, SelectAll, CaretAtEnd };
    std::vector<std::pair<int, std::string>> writes; // box, new text
    int focus = kNoBox; // box that gets the focus, kNoBox to keep it
    int selectBox = kNoBox; // box whose text is then selected or given the caret
    Selection selection = Selection::None;
};
// `digit` 0..9; `hourTens` is the text of the hour tens box of the same time.
KeypadEffect keypadPress(int lastFocused, int digit, std::string_view hourTens);

} // namespace kvx
