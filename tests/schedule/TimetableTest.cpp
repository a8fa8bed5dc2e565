#include "schedule/Timetable.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace kvx {
namespace {

using test::at;

// Monday 2024-06-03 is the shown day of every row below.
const OleDate kShownDay = at(2024, 6, 3);

AlarmRecord ranging(int kind, int mask, OleDate start, OleDate end)
{
    AlarmRecord record = test::item(kind, mask, start);
    record.endTime = end;
    return record;
}

// A daily alarm from h:m to eh:em (the end's date is the start's).
AlarmRecord daily(int h, int m, int eh, int em)
{
    return ranging(kKindDaily, 0, at(2024, 5, 1, h, m), at(2024, 5, 1, eh, em));
}
AlarmRecord once(OleDate start)
{
    return test::item(kKindOnce, 0, start);
}

TimetableLayout layoutOf(const std::vector<AlarmRecord>& alarms, int scroll, OleDate day = kShownDay)
{
    const AlarmTable table = test::tableOf(alarms);
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    return layoutTimetable(table, order, day, scroll);
}

TEST(Timetable, LabelsCountTheHoursFromTheScaleStart)
{
    struct Row {
        int scroll;
        std::array<int, 15> hours;
    };
    const Row rows[] = {
        {14, {9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}},
        {16, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 0, 1}},
        {18, {13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 0, 1, 2, 3}},
        {24, {19, 20, 21, 22, 23, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {13, {9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}}, // clamped to 14
        {25, {19, 20, 21, 22, 23, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, // clamped to 24
    };
    for (const Row& row : rows) {
        const TimetableLayout layout = layoutOf({}, row.scroll);
        EXPECT_EQ(layout.hours, row.hours) << row.scroll;
        EXPECT_TRUE(layout.bars.empty()) << row.scroll;
        EXPECT_TRUE(layout.listBar.empty()) << row.scroll;
    }
}

TEST(Timetable, BarsCoverTheRangeOnTheScale)
{
    struct Bar {
        int alarmIndex, left, width;
    };
    struct Row {
        const char* name;
        std::vector<AlarmRecord> alarms;
        int scroll;
        std::vector<Bar> bars;
    };
    const Row rows[] = {
        {"10:30 without duration is a mark", {daily(10, 30, 10, 30)}, 14, {{0, 1426, 50}}},
        {"9:00 to 10:15 from the scale start", {daily(9, 0, 10, 15)}, 14, {{0, 340, 906}}},
        {"a range of two minutes is a mark", {daily(12, 0, 12, 2)}, 14, {{0, 340 + 3 * 726, 50}}},
        {"a range of three minutes keeps its width", {daily(12, 0, 12, 3)}, 14, {{0, 340 + 3 * 726, 36}}},
        {"23:00 to 1:00 across midnight keeps its length", {daily(23, 0, 1, 0)}, 24,
            {{0, 340 + 4 * 726, 1452}}},
        {"22:00 to 1:00 is cut at the scale end", {daily(22, 0, 1, 0)}, 14, {{0, 340 + 13 * 726, 726}}},
        {"8:00 to 10:00 is cut at the scale start", {daily(8, 0, 10, 0)}, 14, {{0, 340, 726}}},
        {"7:00 to 8:59 ends before the scale", {daily(7, 0, 8, 59)}, 14, {}},
        {"8:00 to 9:00 touches the scale start", {daily(8, 0, 9, 0)}, 14, {{0, 340, 50}}},
        {"23:00 sits on the scale end", {daily(23, 0, 23, 0)}, 14, {{0, 340 + 14 * 726, 50}}},
        {"23:01 lies past the scale end", {daily(23, 1, 23, 1)}, 14, {}},
        {"2:00 of the next date on the late scale", {daily(2, 0, 2, 0)}, 18, {{0, 340 + 13 * 726, 50}}},
        {"2:00 of the next date is past the early scale", {daily(2, 0, 2, 0)}, 14, {}},
        {"the next date's 9:00 ends the latest scale", {daily(9, 0, 9, 0)}, 24, {{0, 340 + 14 * 726, 50}}},
        {"a once alarm of the next morning", {once(at(2024, 6, 4, 1, 0))}, 16, {{0, 340 + 14 * 726, 50}}},
        {"a once alarm of the shown day", {once(at(2024, 6, 3, 15, 45))}, 14,
            {{0, 340 + 6 * 726 + 45 * 12, 50}}},
        {"a once alarm of the day after next", {once(at(2024, 6, 5, 10, 0))}, 14, {}},
        {"a once alarm of the day before, across midnight",
            {ranging(kKindOnce, 0, at(2024, 6, 2, 23, 30), at(2024, 6, 2, 10, 0))}, 24, {}},
        {"a weekly alarm on the next date's night", {test::item(kKindWeekly, kTuesday, at(2024, 5, 7, 2, 0))},
            18, {}},
        {"a weekly alarm on the shown Monday", {test::item(kKindWeekly, kMonday, at(2024, 5, 6, 20, 0))}, 14,
            {{0, 340 + 11 * 726, 50}}},
        {"the shown date's bars come before the next date's",
            {daily(2, 0, 2, 0), daily(20, 0, 20, 0), daily(14, 0, 15, 0)}, 18,
            {{2, 340 + 1 * 726, 726}, {1, 340 + 7 * 726, 50}, {0, 340 + 13 * 726, 50}}},
    };
    for (const Row& row : rows) {
        const TimetableLayout layout = layoutOf(row.alarms, row.scroll);
        ASSERT_EQ(layout.bars.size(), row.bars.size()) << row.name;
        for (std::size_t i = 0; i < row.bars.size(); ++i) {
            EXPECT_EQ(layout.bars[i].alarmIndex, row.bars[i].alarmIndex) << row.name << " bar " << i;
            EXPECT_EQ(layout.bars[i].left, row.bars[i].left) << row.name << " bar " << i;
            EXPECT_EQ(layout.bars[i].width, row.bars[i].width) << row.name << " bar " << i;
            const TwipsBox box = layout.bars[i].box();
            EXPECT_EQ(box.top, 6915) << row.name;
            EXPECT_EQ(box.height, 375) << row.name;
        }
    }
}

TEST(Timetable, AnotherDayHasNoneOfTheShownDaysBars)
{
    const std::vector<AlarmRecord> alarms
        = {once(at(2024, 6, 3, 12, 0)), once(at(2024, 6, 4, 1, 0)), once(at(2024, 6, 6, 11, 0))};
    EXPECT_EQ(layoutOf(alarms, 16, at(2024, 6, 3)).bars.size(), 2U);
    const TimetableLayout later = layoutOf(alarms, 16, at(2024, 6, 6));
    ASSERT_EQ(later.bars.size(), 1U);
    EXPECT_EQ(later.bars[0].alarmIndex, 2);
}

TEST(Timetable, SelectedBarByListMode)
{
    // Display order: 0:30 (alarm 2), 10:00 (alarm 0), 12:00 (alarm 1), 20:00 (alarm 3).
    const TimetableLayout layout = layoutOf(
        {daily(10, 0, 10, 0), daily(12, 0, 12, 0), daily(0, 30, 0, 30), once(at(2024, 6, 2, 20, 0))}, 16);
    ASSERT_EQ(layout.bars.size(), 2U); // 12:00, then 0:30 of the next date
    EXPECT_EQ(layout.listBar, (std::vector<int>{1, -1, 0, -1}));
    struct Row {
        const char* name;
        ListMode list;
        int selectedAlarm, currentRow, bar;
    };
    const Row rows[] = {
        {"day list: the selected alarm's bar", kListDay, 2, 0, 1},
        {"day list: the current row does not count", kListDay, 1, 0, 0},
        {"day list: an alarm off the scale", kListDay, 0, 2, -1},
        {"day list: nothing selected", kListDay, -1, 2, -1},
        {"all list: the current row's bar", kListAll, 1, 0, 1},
        {"all list: the selected alarm does not count", kListAll, 2, 2, 0},
        {"all list: a row without bar", kListAll, 1, 1, -1},
        {"all list: no current row", kListAll, 1, -1, -1},
        {"all list: a row past the list", kListAll, 1, 4, -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(layout.barOfSelected(row.list, row.selectedAlarm, row.currentRow), row.bar) << row.name;
    }
}

TEST(Timetable, FramePiecesOutlineTheBar)
{
    const std::array<TwipsBox, 4> pieces = framePieces({1426, 6915, 906, 375});
    EXPECT_EQ(pieces[0], (TwipsBox{1426, 6915, 50, 375})); // left
    EXPECT_EQ(pieces[1], (TwipsBox{2292, 6915, 50, 375})); // right, 40 in from the bar's right edge
    EXPECT_EQ(pieces[2], (TwipsBox{1426, 6915, 906, 50})); // top
    EXPECT_EQ(pieces[3], (TwipsBox{1426, 7240, 906, 50})); // bottom
}

TEST(Timetable, ScrollToAlarmRoundsTheHourUp)
{
    struct Row {
        int h, m, scroll;
    };
    const Row rows[] = {
        {23, 10, 16},
        {2, 0, 18},
        {14, 0, 14},
        {9, 0, 14},
        {21, 59, 14},
        {22, 0, 14},
        {22, 1, 15},
        {23, 0, 15},
        {0, 0, 16},
        {7, 59, 24},
        {8, 0, 24},
        {8, 1, 14},
        {23, 59, 16},
        {0, 1, 17},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(scrollToAlarm(at(2024, 6, 3, row.h, row.m)), row.scroll) << row.h << ":" << row.m;
    }
}

TEST(Timetable, ScrollToAlarmShowsTheAlarm)
{
    // Every minute but 8:01 to 8:59, whose rounded hour 9 keeps the scale at 9:00.
    for (int minute = 0; minute < 1440; ++minute) {
        if (minute > 8 * 60 && minute < 9 * 60) {
            continue;
        }
        const AlarmRecord alarm = daily(minute / 60, minute % 60, minute / 60, minute % 60);
        const TimetableLayout layout = layoutOf({alarm}, scrollToAlarm(alarm.startTime));
        EXPECT_EQ(layout.bars.size(), 1U) << minute / 60 << ":" << minute % 60;
    }
}

} // namespace
} // namespace kvx
