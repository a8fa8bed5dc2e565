#include "schedule/EditorInput.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

struct FilterRow {
    const char* name;
    const char* typed;
    long long limit; // < 0: the digits-only filter
    const char* kept;
    bool removed;
};

class FilterTest : public ::testing::TestWithParam<FilterRow> {};

TEST_P(FilterTest, CleansAsTyped)
{
    const FilterRow& row = GetParam();
    const FilteredText result = row.limit < 0 ? keepDigits(row.typed) : keepDigitsUpTo(row.typed, row.limit);
    EXPECT_EQ(result.text, row.kept);
    EXPECT_EQ(result.removed, row.removed);
}

INSTANTIATE_TEST_SUITE_P(Filters, FilterTest,
    ::testing::Values(FilterRow{"PlainDigits", "25", -1, "25", false},
        FilterRow{"FullWidthDigitsAreNarrowedNotRemoved", "１２", -1, "12", false},
        FilterRow{"FullWidthThenLetter", "１２a", -1, "12", true},
        FilterRow{"PortWithLetter", "80a", -1, "80", true}, FilterRow{"MinusRemoved", "-3", -1, "3", true},
        FilterRow{"KanjiRemoved", "日1", -1, "1", true}, FilterRow{"Empty", "", -1, "", false},
        FilterRow{"HourTensSevenRemoved", "7", 2, "", true}, FilterRow{"HourTensTwoKept", "2", 2, "2", false},
        FilterRow{"HourTensFullWidthOne", "１", 2, "1", false},
        FilterRow{"MinuteTensSixRemoved", "6", 5, "", true}, FilterRow{"MinuteTensFive", "5", 5, "5", false},
        FilterRow{"SecondDigitOverLimit", "23", 2, "2", true},
        FilterRow{"PreMinutesLimitKeepsLargeNumbers", "32768", 32768, "32768", false},
        FilterRow{"PreMinutesDropsDigitPastLimit", "327689", 32768, "32768", true},
        FilterRow{"PreMinutesLetters", "1x0", 32768, "10", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NarrowWidthTest, TurnsFullWidthAsciiIntoNarrowAndKeepsTheRest)
{
    EXPECT_EQ(narrowWidth("０１２３４５６７８９"), "0123456789");
    EXPECT_EQ(narrowWidth("ＡＢｃ！　"), "ABc! ");
    EXPECT_EQ(narrowWidth("朝会"), "朝会");
}

struct DigitRow {
    const char* name;
    int box;
    const char* text;
    const char* hourTens;
    bool passes;
};

class DigitCheckTest : public ::testing::TestWithParam<DigitRow> {};

TEST_P(DigitCheckTest, Decides)
{
    const DigitRow& row = GetParam();
    EXPECT_EQ(timeDigitPasses(row.box, row.text, row.hourTens), row.passes);
}

INSTANTIATE_TEST_SUITE_P(Digits, DigitCheckTest,
    ::testing::Values(DigitRow{"ZeroPasses", kStartHourTens, "0", "0", true},
        DigitRow{"EmptyFails", kStartHourTens, "", "", false},
        DigitRow{"LetterFails", kStartMinuteUnits, "a", "0", false},
        DigitRow{"HourTensTwo", kStartHourTens, "2", "2", true},
        DigitRow{"HourTensThreeFails", kEndHourTens, "3", "3", false},
        DigitRow{"MinuteTensFive", kStartMinuteTens, "5", "0", true},
        DigitRow{"MinuteTensSixFails", kEndMinuteTens, "6", "0", false},
        DigitRow{"HourUnitsNineAfterOne", kStartHourUnits, "9", "1", true},
        DigitRow{"HourUnitsThreeAfterTwo", kStartHourUnits, "3", "2", true},
        DigitRow{"HourUnitsFourAfterTwoFails", kStartHourUnits, "4", "2", false},
        DigitRow{"EndHourUnitsFiveAfterTwoFails", kEndHourUnits, "5", "2", false},
        DigitRow{"MinuteUnitsNineIgnoresHourTens", kStartMinuteUnits, "9", "2", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct KeyRow {
    const char* name;
    int lastFocused;
    int digit;
    const char* hourTens;
    std::vector<std::pair<int, std::string>> writes;
    int focus;
    int selectBox;
};

class KeypadTest : public ::testing::TestWithParam<KeyRow> {};

TEST_P(KeypadTest, ActsOnTheLastFocusedBox)
{
    const KeyRow& row = GetParam();
    const KeypadEffect effect = keypadPress(row.lastFocused, row.digit, row.hourTens);
    EXPECT_EQ(effect.writes, row.writes);
    EXPECT_EQ(effect.focus, row.focus);
    EXPECT_EQ(effect.selectBox, row.selectBox);
}

INSTANTIATE_TEST_SUITE_P(Keypad, KeypadTest,
    ::testing::Values(
        KeyRow{"HourTensSevenGivesZeroSeven", kStartHourTens, 7, "", {{0, "0"}, {1, "7"}}, 2, 2},
        KeyRow{"HourTensThree", kEndHourTens, 3, "", {{4, "0"}, {5, "3"}}, 6, 6},
        KeyRow{"HourTensTwo", kStartHourTens, 2, "", {{0, "2"}}, 1, 1},
        KeyRow{"HourTensZero", kEndHourTens, 0, "", {{4, "0"}}, 5, 5},
        KeyRow{"HourUnitsAfterOne", kStartHourUnits, 9, "1", {{1, "9"}}, 2, 2},
        KeyRow{"HourUnitsAfterZero", kEndHourUnits, 8, "0", {{5, "8"}}, 6, 6},
        KeyRow{"HourUnitsThreeAfterTwo", kStartHourUnits, 3, "2", {{1, "3"}}, 2, 2},
        KeyRow{"HourUnitsFourAfterTwoRefused", kStartHourUnits, 4, "2", {}, kNoBox, 1},
        KeyRow{"HourUnitsAfterBadTensNothing", kEndHourUnits, 1, "3", {}, kNoBox, kNoBox},
        KeyRow{"MinuteTensFive", kStartMinuteTens, 5, "", {{2, "5"}}, 3, 3},
        KeyRow{"MinuteTensSixRefused", kEndMinuteTens, 6, "", {}, kNoBox, 6},
        KeyRow{"StartMinuteUnitsGoesToEnd", kStartMinuteUnits, 9, "", {{3, "9"}}, 4, 4},
        KeyRow{"EndMinuteUnitsStays", kEndMinuteUnits, 0, "", {{7, "0"}}, kNoBox, 7},
        KeyRow{"NoBoxNothing", kNoBox, 5, "", {}, kNoBox, kNoBox}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LeadingValueTest, ReadsLeadingDigitsAndSaturates)
{
    EXPECT_EQ(leadingValue(""), 0);
    EXPECT_EQ(leadingValue("12ab"), 12);
    EXPECT_EQ(leadingValue("a12"), 0);
    EXPECT_EQ(leadingValue("99999999999999999999999"), std::numeric_limits<long long>::max());
}

} // namespace
} // namespace kvx

namespace kvx {
namespace {

struct PortRow {
    const char* name;
    const char* typed;
    const char* kept;
    bool removed;
    bool tooLarge;
};

class PortFilterTest : public ::testing::TestWithParam<PortRow> {};

TEST_P(PortFilterTest, KeepsAPortNumber)
{
    const PortRow& row = GetParam();
    const PortText cleaned = cleanPortNumber(row.typed);
    EXPECT_EQ(cleaned.filtered.text, row.kept);
    EXPECT_EQ(cleaned.filtered.removed, row.removed);
    EXPECT_EQ(cleaned.tooLarge, row.tooLarge);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortFilterTest,
    ::testing::Values(PortRow{"FullWidthThenLetter", "１２a", "12", true, false},
        PortRow{"FullWidthAloneIsNoRemoval", "１２", "12", false, false},
        PortRow{"LetterAfterDigits", "80a", "80", true, false}, PortRow{"Largest", "65535", "65535", false, false},
        PortRow{"OnePastLargest", "65536", "6553", true, true}, PortRow{"FiveNines", "99999", "9999", true, true},
        PortRow{"SixthDigitOfAFitting", "655350", "65535", true, true},
        PortRow{"LeadingZerosKeepFive", "000001", "00000", true, false}, PortRow{"Empty", "", "", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kvx
