#include "schedule/EditorDraft.h"

#include "ScheduleTestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::at;
using namespace std::chrono;

// A draft that passes every check: a daily alarm at 09:30 on 2026-12-08.
EditorDraft validDraft()
{
    EditorDraft draft;
    draft.calendarDate = at(2026, 12, 8);
    draft.startDigits = {"0", "9", "3", "0"};
    draft.endDigits = {"0", "9", "3", "0"};
    draft.dayOfMonth = "8";
    draft.choice = KindChoice::Daily;
    draft.weekdayBoxes.fill(true);
    draft.message = "朝会";
    draft.preMinutes = "0";
    draft.blinkCount = "10";
    return draft;
}

struct ProblemRow {
    const char* name;
    void (*spoil)(EditorDraft&);
    DraftField field;
    int digitBox;
    const char* message;
};

class FirstProblemTest : public ::testing::TestWithParam<ProblemRow> { };

TEST_P(FirstProblemTest, NamesTheFirstFailureAndItsField)
{
    const ProblemRow& row = GetParam();
    EditorDraft draft = validDraft();
    row.spoil(draft);
    const auto problem = firstProblem(draft);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->field, row.field);
    EXPECT_EQ(problem->digitBox, row.digitBox);
    EXPECT_EQ(problem->message, row.message);
}

INSTANTIATE_TEST_SUITE_P(Checks, FirstProblemTest,
    ::testing::Values(
        ProblemRow{"EmptyHourTens", [](EditorDraft& d) { d.startDigits[0] = ""; }, DraftField::Digit, 0, ""},
        ProblemRow{"StartHour24",
            [](EditorDraft& d) {
                d.startDigits = {"2", "4", "0", "0"};
            },
            DraftField::Digit, 1, ""},
        ProblemRow{"EndHour25WhateverTheStart",
            [](EditorDraft& d) {
                d.endDigits = {"2", "5", "0", "0"};
            },
            DraftField::Digit, 5, ""},
        ProblemRow{"EndMinute60", [](EditorDraft& d) { d.endDigits[2] = "6"; }, DraftField::Digit, 6, ""},
        ProblemRow{"DigitBeforeDay",
            [](EditorDraft& d) {
                d.startDigits[3] = "";
                d.dayOfMonth = "32";
            },
            DraftField::Digit, 3, ""},
        ProblemRow{"DayZero", [](EditorDraft& d) { d.dayOfMonth = "0"; }, DraftField::DayOfMonth, -1,
            kDayOfMonthMessage},
        ProblemRow{"Day32", [](EditorDraft& d) { d.dayOfMonth = "32"; }, DraftField::DayOfMonth, -1,
            kDayOfMonthMessage},
        ProblemRow{"DayBeforePreMinutes",
            [](EditorDraft& d) {
                d.dayOfMonth = "40";
                d.preMinutes = "40000";
            },
            DraftField::DayOfMonth, -1, kDayOfMonthMessage},
        ProblemRow{"PreMinutesOver16Bits", [](EditorDraft& d) { d.preMinutes = "32768"; },
            DraftField::PreMinutes, -1, kPreMinutesMessage},
        ProblemRow{"PreMinutesLetters", [](EditorDraft& d) { d.preMinutes = "x"; }, DraftField::PreMinutes,
            -1, kPreMinutesMessage},
        ProblemRow{"BlinkCountEmptyWhileBlinking",
            [](EditorDraft& d) {
                d.blink = true;
                d.blinkCount = "";
            },
            DraftField::BlinkCount, -1, kBlinkCountMessage},
        ProblemRow{"BlinkCountZeroWhileBlinking",
            [](EditorDraft& d) {
                d.blink = true;
                d.blinkCount = "0";
            },
            DraftField::BlinkCount, -1, kBlinkCountMessage},
        ProblemRow{"BlinkCountOver16Bits", [](EditorDraft& d) { d.blinkCount = "32768"; },
            DraftField::BlinkCount, -1, kBlinkCountMessage},
        ProblemRow{"MonthlyNeedsADay",
            [](EditorDraft& d) {
                d.choice = KindChoice::Monthly;
                d.dayOfMonth = "";
            },
            DraftField::DayOfMonth, -1, kDayOfMonthMessage},
        ProblemRow{"WeeklyNeedsAWeekday",
            [](EditorDraft& d) {
                d.choice = KindChoice::Weekly;
                d.weekdayBoxes.fill(false);
            },
            DraftField::FirstWeekday, -1, kWeekdayMessage},
        ProblemRow{"SoundNeedsAFile",
            [](EditorDraft& d) {
                d.sound = true;
                d.soundFile = "  ";
                d.soundFileCopy = "/a.wav";
            },
            DraftField::SoundFile, -1, kSoundFileMessage},
        ProblemRow{"SoundNeedsTheCopyToo",
            [](EditorDraft& d) {
                d.sound = true;
                d.soundFile = "/a.wav";
                d.soundFileCopy = "";
            },
            DraftField::SoundFileCopy, -1, kSoundFileMessage}),
    [](const auto& info) { return std::string(info.param.name); });

struct PassRow {
    const char* name;
    void (*change)(EditorDraft&);
};

class PassesTest : public ::testing::TestWithParam<PassRow> { };

TEST_P(PassesTest, HasNoProblem)
{
    EditorDraft draft = validDraft();
    GetParam().change(draft);
    EXPECT_FALSE(firstProblem(draft).has_value());
}

INSTANTIATE_TEST_SUITE_P(Checks, PassesTest,
    ::testing::Values(PassRow{"AsIs", [](EditorDraft&) {}},
        PassRow{"EmptyDayForADailyAlarm", [](EditorDraft& d) { d.dayOfMonth = ""; }},
        PassRow{"Day31", [](EditorDraft& d) { d.dayOfMonth = "31"; }},
        PassRow{"PreMinutesEmpty", [](EditorDraft& d) { d.preMinutes = ""; }},
        PassRow{"PreMinutes32767", [](EditorDraft& d) { d.preMinutes = "32767"; }},
        PassRow{"BlinkCountEmptyWithoutBlinking", [](EditorDraft& d) { d.blinkCount = ""; }},
        PassRow{"BlinkCount32767",
            [](EditorDraft& d) {
                d.blink = true;
                d.blinkCount = "32767";
            }},
        PassRow{"Hour23",
            [](EditorDraft& d) {
                d.startDigits = {"2", "3", "5", "9"};
            }},
        PassRow{"SoundOffWithoutFile", [](EditorDraft& d) { d.soundFile = ""; }}),
    [](const auto& info) { return std::string(info.param.name); });

struct ForwardRow {
    const char* name;
    int year, month, day;
    int wantYear, wantMonth;
};

class ForwardedDayTest : public ::testing::TestWithParam<ForwardRow> { };

TEST_P(ForwardedDayTest, MovesToTheFirstMonthThatHasTheDay)
{
    const ForwardRow& row = GetParam();
    const year_month_day got = forwardedDay(row.year, row.month, row.day);
    EXPECT_EQ(
        got, year{row.wantYear} / static_cast<unsigned>(row.wantMonth) / static_cast<unsigned>(row.day));
}

INSTANTIATE_TEST_SUITE_P(Days, ForwardedDayTest,
    ::testing::Values(ForwardRow{"Day29InLeapFebruary", 2028, 2, 29, 2028, 2},
        ForwardRow{"Day29InPlainFebruary", 2027, 2, 29, 2027, 3},
        ForwardRow{"Day30InLeapFebruary", 2028, 2, 30, 2028, 3},
        ForwardRow{"Day31InFebruary", 2027, 2, 31, 2027, 3}, ForwardRow{"Day31InApril", 2027, 4, 31, 2027, 5},
        ForwardRow{"Day31InJune", 2027, 6, 31, 2027, 7},
        ForwardRow{"Day31InSeptember", 2027, 9, 31, 2027, 10},
        ForwardRow{"Day31InNovember", 2027, 11, 31, 2027, 12},
        ForwardRow{"Day31InDecember", 2027, 12, 31, 2027, 12},
        ForwardRow{"Day30InNovember", 2027, 11, 30, 2027, 11}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ForwardedDayTest, EveryDayOfEveryMonthOfAYearLandsOnThatDay)
{
    for (int month = 1; month <= 12; ++month) {
        for (int day = 1; day <= 31; ++day) {
            const year_month_day got = forwardedDay(2027, month, day);
            ASSERT_TRUE(got.ok());
            EXPECT_EQ(static_cast<unsigned>(got.day()), static_cast<unsigned>(day)) << month << "/" << day;
            EXPECT_GE(sys_days{got}, sys_days{year{2027} / static_cast<unsigned>(month) / 1});
            EXPECT_LE(static_cast<unsigned>(got.month()) - static_cast<unsigned>(month), 1U);
        }
    }
}

TEST(RecordFromDraftTest, AChangeOfAMonthlyAlarmTakesTheDayBoxAndForwards)
{
    EditorDraft draft = validDraft();
    draft.choice = KindChoice::Monthly;
    draft.calendarDate = at(2027, 2, 10);
    draft.dayOfMonth = "31";
    EXPECT_EQ(recordFromDraft(draft, {}, true).startTime, at(2027, 3, 31, 9, 30));
    // An add takes the calendar's day.
    EXPECT_EQ(recordFromDraft(draft, {}, false).startTime, at(2027, 2, 10, 9, 30));
}

TEST(RecordFromDraftTest, StoresEveryFieldAndRoundTrips)
{
    AlarmRecord stored;
    stored.startTime = at(2026, 12, 8, 7, 5);
    stored.endTime = at(2026, 12, 8, 23, 59);
    stored.kind = kKindThirdWeek;
    stored.weekdayMask = kMonday | kSunday;
    stored.preMode = kPreAndMain;
    stored.preMinutes = 15;
    stored.blink = 1;
    stored.message = "会議";
    stored.sound = 1;
    stored.soundFile = "/s/bell.wav";
    stored.endless = 1;
    stored.midiVolume = 0x10001;
    stored.waveVolume = 0x20002;
    stored.keepWindow = 1;
    stored.blinkCount = 7;
    stored.textColor = 0xFFFFFF;
    stored.backColor = 0x0000FF;
    stored.fontName = "IPAGothic";
    stored.fontSize = 20;
    stored.fontBold = -1;
    stored.fontItalic = -1;
    stored.fontUnderline = 0;
    stored.fontStrikethru = -1;
    stored.textColorIndex = 6;
    stored.backColorIndex = 4;
    for (const bool monday : {false, true}) {
        const EditorDraft draft = draftFromRecord(stored, at(2026, 12, 8), monday);
        EXPECT_EQ(recordFromDraft(draft, {}, false), stored) << monday;
    }
}

TEST(RecordFromDraftTest, EmptyPreMinutesKeepThePreviousValueAndSizesRound)
{
    EditorDraft draft = validDraft();
    draft.preMinutes = "";
    draft.fontSize = 10.5;
    AlarmRecord previous;
    previous.preMinutes = 42;
    const AlarmRecord record = recordFromDraft(draft, previous, false);
    EXPECT_EQ(record.preMinutes, 42);
    EXPECT_EQ(record.fontSize, 11);
    EXPECT_TRUE(record.lastAlarm.isZero());
}

struct KindRow {
    KindChoice choice;
    int weeklyIndex;
    int kind;
};

TEST(KindTest, ButtonsAndWeeklyChoiceGiveTheKindCodes)
{
    const KindRow rows[] = {{KindChoice::Monthly, 3, 1}, {KindChoice::Weekly, 0, 2},
        {KindChoice::Weekly, 1, 6}, {KindChoice::Weekly, 2, 7}, {KindChoice::Weekly, 6, 11},
        {KindChoice::Daily, 0, 3}, {KindChoice::Once, 0, 4}, {KindChoice::Quick, 0, 4}};
    for (const KindRow& row : rows) {
        EditorDraft draft;
        draft.choice = row.choice;
        draft.weeklyIndex = row.weeklyIndex;
        EXPECT_EQ(kindOf(draft), row.kind);
    }
    EXPECT_EQ(choiceOfKind(5), KindChoice::Quick);
    EXPECT_EQ(choiceOfKind(0), KindChoice::Weekly);
    EXPECT_EQ(choiceOfKind(12), KindChoice::Weekly);
    EXPECT_EQ(weeklyIndexOfDefault(6), 1);
    EXPECT_EQ(weeklyIndexOfDefault(9), 4);
    EXPECT_EQ(weeklyIndexOfDefault(3), 0);
}

TEST(WeekdayBoxesTest, StoredBitsNeverDependOnTheWeekStart)
{
    for (int mask = 0; mask < 128; ++mask) {
        for (const bool monday : {false, true}) {
            EXPECT_EQ(weekdayMaskOf(weekdayBoxesOf(mask, monday), monday), mask);
        }
    }
    // Sunday is box 0 from Sunday and box 6 from Monday.
    EXPECT_TRUE(weekdayBoxesOf(kSunday, false)[0]);
    EXPECT_TRUE(weekdayBoxesOf(kSunday, true)[6]);
    EXPECT_TRUE(weekdayBoxesOf(kMonday, false)[1]);
    EXPECT_TRUE(weekdayBoxesOf(kMonday, true)[0]);
    // 2026-12-08 is a Tuesday.
    EXPECT_EQ(weekdayMaskOf(weekdayBoxesForDate(at(2026, 12, 8), true), true), kTuesday);
}

struct QuickRow {
    const char* name;
    OleDate now;
    int minutes;
    OleDate start;
    int bit;
};

class QuickTimerTest : public ::testing::TestWithParam<QuickRow> { };

TEST_P(QuickTimerTest, RingsMinutesFromNowWithItsDaysBit)
{
    const QuickRow& row = GetParam();
    AlarmRecord fields;
    fields.sound = 1;
    fields.soundFile = "/s/a.wav";
    fields.preMode = kPreAndMain;
    fields.preMinutes = 5;
    fields.message = "他";
    fields.blinkCount = 3;
    const AlarmRecord record = quickTimerRecord(fields, row.now, row.minutes);
    EXPECT_EQ(record.startTime.totalSeconds(), row.start.totalSeconds());
    EXPECT_EQ(record.endTime, record.startTime);
    EXPECT_EQ(record.kind, kKindQuick);
    EXPECT_EQ(record.weekdayMask, row.bit);
    EXPECT_EQ(record.preMode, 0);
    EXPECT_EQ(record.preMinutes, 0);
    EXPECT_EQ(record.message, kQuickTimerMessage);
    EXPECT_EQ(record.soundFile, "/s/a.wav");
    EXPECT_EQ(record.blinkCount, 3);
}

INSTANTIATE_TEST_SUITE_P(Timers, QuickTimerTest,
    ::testing::Values(QuickRow{"ThirtyMinutesSameDay", at(2026, 12, 8, 10, 15, 20), 30,
                          at(2026, 12, 8, 10, 45, 20), kTuesday},
        QuickRow{"AcrossMidnightTakesTheNextDaysBit", at(2026, 12, 8, 23, 30), 120, at(2026, 12, 9, 1, 30),
            kWednesday},
        QuickRow{"SaturdayIntoSunday", at(2026, 12, 12, 23, 58, 30), 3, at(2026, 12, 13, 0, 1, 30), kSunday},
        QuickRow{"YearEnd", at(2026, 12, 31, 23, 0), 90, at(2027, 1, 1, 0, 30), kFriday}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PastTimeTest, AsksOnlyWhenWarnedAndBeforeNow)
{
    const EditorDraft draft = validDraft(); // 2026-12-08 09:30
    EXPECT_FALSE(asksPastTime(draft, at(2026, 12, 8, 9, 30), true));
    EXPECT_TRUE(asksPastTime(draft, at(2026, 12, 8, 9, 30, 1), true));
    EXPECT_FALSE(asksPastTime(draft, at(2026, 12, 8, 9, 31), false));
}

TEST(RememberDefaultsTest, KeepsTheLookAndTheWeeklyKind)
{
    AlarmDefaults defaults;
    EditorDraft draft = validDraft();
    draft.weekStartsMonday = true;
    draft.choice = KindChoice::Weekly;
    draft.weeklyIndex = 1;
    const AlarmRecord stored = recordFromDraft(draft, {}, false);
    rememberDefaults(defaults, stored, draft, kListDay);
    EXPECT_EQ(defaults.weeklyKind, kKindFortnightly);
    EXPECT_EQ(defaults.weekStartsMonday, 1);
    EXPECT_EQ(defaults.listMode, kListDay);
    EXPECT_EQ(defaults.message, "朝会");
    draft.choice = KindChoice::Daily;
    rememberDefaults(defaults, recordFromDraft(draft, {}, false), draft, kListAll);
    EXPECT_EQ(defaults.weeklyKind, kKindFortnightly);
}

} // namespace
} // namespace kvx
