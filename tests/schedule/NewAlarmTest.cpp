#include "schedule/NewAlarm.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::at;

TEST(PrepareNewAlarmTest, FieldsForTheChosenDay)
{
    AlarmDefaults defaults;
    defaults.message = "会議";
    defaults.preMode = kPreOnly;
    defaults.preMinutes = 5;
    defaults.weeklyKind = 9;
    const NewAlarmPreparation day
        = prepareNewAlarm(defaults, at(2026, 6, 1), CalendarTab::Day, at(2026, 5, 20, 23, 59, 30));
    EXPECT_EQ(day.view, EditorView::Day);
    EXPECT_EQ(day.selectedAlarm, -1);
    EXPECT_EQ(day.dateText, "2026/06/01");
    const EditorDraft& draft = day.draft;
    EXPECT_EQ(draft.startDigits, (std::array<std::string, 4>{"2", "3", "5", "9"}));
    EXPECT_EQ(draft.endDigits, draft.startDigits);
    EXPECT_EQ(draft.choice, KindChoice::Once);
    EXPECT_EQ(draft.calendarDate, at(2026, 6, 1));
    EXPECT_EQ(draft.dayOfMonth, "20"); // today, not the chosen day
    // 2026-06-01 is a Monday: box 1 with a Sunday start.
    EXPECT_EQ(draft.weekdayBoxes, (std::array<bool, 7>{false, true, false, false, false, false, false}));
    EXPECT_EQ(draft.weeklyIndex, 4); // "第３"
    EXPECT_TRUE(draft.preAlarm);
    EXPECT_FALSE(draft.mainBellToo);
    EXPECT_EQ(draft.preMinutes, "5");
    EXPECT_EQ(draft.message, "会議");

    defaults.weekStartsMonday = 1;
    defaults.weeklyKind = 2;
    defaults.preMode = kPreAndMain;
    const NewAlarmPreparation all
        = prepareNewAlarm(defaults, at(2026, 6, 1), CalendarTab::AllAlarms, at(2026, 5, 20, 8, 5));
    EXPECT_EQ(all.view, EditorView::AllAlarms);
    EXPECT_EQ(all.draft.startDigits, (std::array<std::string, 4>{"0", "8", "0", "5"}));
    EXPECT_EQ(all.draft.weekdayBoxes, (std::array<bool, 7>{true, false, false, false, false, false, false}));
    EXPECT_EQ(all.draft.weeklyIndex, 0);
    EXPECT_TRUE(all.draft.preAlarm);
    EXPECT_TRUE(all.draft.mainBellToo);
}

TEST(PrepareNewAlarmTest, WeeklyUnitFromTheRememberedKind)
{
    const std::pair<int, int> rows[] = {{2, 0}, {5, 0}, {6, 1}, {7, 2}, {9, 4}, {11, 6}, {12, 0}, {0, 0}};
    for (const auto& [kind, index] : rows) {
        AlarmDefaults defaults;
        defaults.weeklyKind = static_cast<std::int16_t>(kind);
        EXPECT_EQ(newAlarmDraft(defaults, at(2026, 6, 1), at(2026, 6, 1)).weeklyIndex, index) << kind;
    }
}

} // namespace
} // namespace kvx
