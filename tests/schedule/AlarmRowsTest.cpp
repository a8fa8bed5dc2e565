#include "schedule/AlarmRows.h"

#include "schedule/DayLister.h"
#include "schedule/Recurrence.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace kvx {
namespace {

using test::at;

// Half an hour long, with a message.
AlarmRecord item(int kind, int mask, OleDate start, const char* message)
{
    AlarmRecord record = test::item(kind, mask, start);
    record.endTime = start.plusSeconds(1800);
    record.message = message;
    return record;
}

// Monday 2024-06-03 is the chosen day in most rows below.
AlarmTable sampleTable()
{
    AlarmTable table;
    table.add(item(kKindDaily, 0, at(2024, 5, 1, 7, 30), "朝")); // 0: night part
    table.add(item(kKindWeekly, kMonday, at(2024, 5, 6, 22, 0), "月曜夜")); // 1: day part
    table.add(item(kKindOnce, 0, at(2024, 6, 3, 9, 0), "今日だけ")); // 2: day part
    table.add(item(kKindOnce, 0, at(2024, 6, 4, 6, 0), "明日の朝")); // 3: night part
    table.add(item(kKindOnce, 0, at(2024, 6, 5, 10, 0), "あさって")); // 4: neither
    table.add(item(kKindDaily, 0, at(2024, 5, 1, 12, 0), "昼")); // 5: day part
    return table;
}

struct Fill {
    std::vector<EditorRow> rows;
    std::vector<int> dayRowMap;
    OleDate nextRingAt;
};

Fill fillEditor(EditorView view, OleDate chosenDay, OleDate now, bool weekStartsMonday = false)
{
    const AlarmTable table = sampleTable();
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    Fill fill;
    fill.dayRowMap = {-7};
    fill.rows = editorListRows(
        table, order, view, chosenDay, now, weekStartsMonday, fill.nextRingAt, fill.dayRowMap);
    return fill;
}

std::vector<int> indexesOf(const std::vector<EditorRow>& rows)
{
    std::vector<int> indexes;
    indexes.reserve(rows.size());
    for (const EditorRow& row : rows) {
        indexes.push_back(row.alarmIndex);
    }
    return indexes;
}

std::string markersOf(const std::vector<EditorRow>& rows)
{
    std::string markers;
    for (const EditorRow& row : rows) {
        markers += row.marker;
    }
    return markers;
}

TEST(AlarmRows, EditorDayViewListsDayPartThenNightPart)
{
    struct Row {
        const char* name;
        OleDate chosenDay;
        OleDate now;
        std::vector<int> indexes;
        const char* markers;
        OleDate nextRingAt;
    };
    const Row rows[] = {
        {"2024-06-03 chosen today at 10:00", at(2024, 6, 3), at(2024, 6, 3, 10, 0), {2, 5, 1, 3, 0}, "□■■□□",
            at(2024, 6, 3, 12, 0)},
        {"2024-06-03 chosen today at 08:00", at(2024, 6, 3), at(2024, 6, 3, 8, 0), {2, 5, 1, 3, 0}, "■■■□□",
            at(2024, 6, 3, 9, 0)},
        {"2024-06-04 chosen tomorrow", at(2024, 6, 4), at(2024, 6, 3, 10, 0), {5, 0}, "■■",
            at(2024, 6, 3, 12, 0)},
        {"2024-06-02 chosen yesterday", at(2024, 6, 2), at(2024, 6, 3, 10, 0), {5, 0}, "□□",
            at(2024, 6, 3, 12, 0)},
        {"2024-04-29 before every date", at(2024, 4, 29), at(2024, 6, 3, 10, 0), {}, "", OleDate()},
    };
    for (const Row& row : rows) {
        const Fill fill = fillEditor(EditorView::Day, row.chosenDay, row.now);
        EXPECT_EQ(indexesOf(fill.rows), row.indexes) << row.name;
        EXPECT_EQ(fill.dayRowMap, row.indexes) << row.name;
        EXPECT_EQ(markersOf(fill.rows), row.markers) << row.name;
        EXPECT_EQ(fill.nextRingAt, row.nextRingAt) << row.name;
    }
}

TEST(AlarmRows, EditorAllAlarmsViewMarksOnlyTheDayPartToCome)
{
    struct Row {
        const char* name;
        OleDate chosenDay;
        OleDate now;
        const char* markers; // in display order 3, 0, 2, 4, 5, 1
    };
    const Row rows[] = {
        {"2024-06-03 chosen today at 10:00", at(2024, 6, 3), at(2024, 6, 3, 10, 0), "□□□□■■"},
        {"2024-06-03 chosen today at 08:00", at(2024, 6, 3), at(2024, 6, 3, 8, 0), "□□■□■■"},
        {"2024-06-05 chosen in two days", at(2024, 6, 5), at(2024, 6, 3, 8, 0), "□□□■■□"},
        {"2024-06-01 chosen in the past", at(2024, 6, 1), at(2024, 6, 3, 8, 0), "□□□□□□"},
    };
    for (const Row& row : rows) {
        const Fill fill = fillEditor(EditorView::AllAlarms, row.chosenDay, row.now);
        EXPECT_EQ(indexesOf(fill.rows), (std::vector<int>{3, 0, 2, 4, 5, 1})) << row.name;
        EXPECT_EQ(markersOf(fill.rows), row.markers) << row.name;
        EXPECT_EQ(fill.dayRowMap, std::vector<int>{-7}) << row.name;
    }
}

TEST(AlarmRows, EditorRowTextIsTheDescription)
{
    const Fill sunday = fillEditor(EditorView::Day, at(2024, 6, 3), at(2024, 6, 3, 10, 0), false);
    ASSERT_EQ(sunday.rows.size(), 5U);
    EXPECT_EQ(sunday.rows[2].text, "22:00 2024/05/06 毎週 －月－－－－－");
    const Fill monday = fillEditor(EditorView::Day, at(2024, 6, 3), at(2024, 6, 3, 10, 0), true);
    EXPECT_EQ(monday.rows[2].text, "22:00 2024/05/06 毎週 月－－－－－－");
}

TEST(AlarmRows, CalendarListPadsTheGridToFifteenRows)
{
    struct Row {
        const char* name;
        int alarms;
        CalendarTab tab;
        int rowsWritten;
        int gridRows;
    };
    const Row rows[] = {
        {"2024-06-03 no alarms", 0, CalendarTab::AllAlarms, 0, 15},
        {"2024-06-03 14 alarms", 14, CalendarTab::AllAlarms, 14, 15},
        {"2024-06-03 15 alarms", 15, CalendarTab::AllAlarms, 15, 16},
        {"2024-06-03 20 alarms", 20, CalendarTab::AllAlarms, 20, 21},
        {"2024-06-03 20 alarms, 10 of them on the day", 20, CalendarTab::Day, 10, 15},
    };
    for (const Row& row : rows) {
        AlarmTable table;
        for (int i = 0; i < row.alarms; ++i) {
            // Even alarms ring daily at 10:00, odd ones once on 2024-06-10.
            table.add(
                item(i % 2 == 0 ? kKindDaily : kKindOnce, 0, at(2024, 6, i % 2 == 0 ? 1 : 10, 10, i), "x"));
        }
        DisplayOrder order;
        rebuildDisplayOrder(table, order);
        OleDate nextRingAt;
        std::vector<int> dayRowMap;
        const CalendarList list = calendarListRows(
            table, order, row.tab, at(2024, 6, 3), at(2024, 6, 3, 8), nextRingAt, dayRowMap);
        EXPECT_EQ(list.rowsWritten, row.rowsWritten) << row.name;
        EXPECT_EQ(static_cast<int>(list.rows.size()), row.rowsWritten) << row.name;
        EXPECT_EQ(list.gridRows, row.gridRows) << row.name;
    }
}

TEST(AlarmRows, CalendarDayTabFillsTheRowMap)
{
    const AlarmTable table = sampleTable();
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    OleDate nextRingAt;
    std::vector<int> dayRowMap = {-7};
    const CalendarList all = calendarListRows(
        table, order, CalendarTab::AllAlarms, at(2024, 6, 3), at(2024, 6, 3, 8), nextRingAt, dayRowMap);
    ASSERT_EQ(all.rows.size(), 6U);
    EXPECT_EQ(all.rows[0].alarmIndex, 3);
    EXPECT_EQ(all.rows[0].texts, (std::array<std::string, 4>{"06:00", "06:30", "一回", "明日の朝"}));
    EXPECT_EQ(dayRowMap, std::vector<int>{-7});
    EXPECT_TRUE(nextRingAt.isZero());

    const CalendarList day = calendarListRows(
        table, order, CalendarTab::Day, at(2024, 6, 3), at(2024, 6, 3, 8), nextRingAt, dayRowMap);
    EXPECT_EQ(dayRowMap, (std::vector<int>{2, 5, 1, 3, 0}));
    ASSERT_EQ(day.rows.size(), 5U);
    EXPECT_EQ(day.rows[4].texts, (std::array<std::string, 4>{"07:30", "08:00", "毎日", "朝"}));
    EXPECT_EQ(nextRingAt, at(2024, 6, 3, 9, 0));
}

TEST(AlarmRows, DayListerAgreesWithTheDayAndNightTests)
{
    std::mt19937 random(42);
    std::uniform_int_distribution<int> kind(0, 12), mask(0, 127), offset(-40, 40), second(0, 86399),
        preMode(-1, 2), preMinutes(0, 180);
    AlarmTable table;
    for (int i = 0; i < 600; ++i) {
        AlarmRecord record = item(kind(random), mask(random), OleDate(), "");
        record.startTime = OleDate::fromDay(
            std::chrono::sys_days{std::chrono::year{2024} / 6 / 1} + std::chrono::days{offset(random)},
            second(random) / 60 * 60);
        record.preMode = static_cast<std::int16_t>(preMode(random));
        record.preMinutes = static_cast<std::int16_t>(preMinutes(random));
        table.add(record);
    }
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    const DayLister lister(table, order);
    const OleDate now = at(2024, 6, 1, 7, 45);
    for (int d = -45; d < 45; ++d) {
        const OleDate day
            = OleDate::fromDay(std::chrono::sys_days{std::chrono::year{2024} / 6 / 1} + std::chrono::days{d});
        OleDate expectedNext;
        std::vector<int> expected;
        for (const DisplayOrder::Entry& entry : order) {
            if (inDayPart(table.alarms[static_cast<std::size_t>(entry.alarmIndex)], day, now, expectedNext)) {
                expected.push_back(entry.alarmIndex);
            }
        }
        for (const DisplayOrder::Entry& entry : order) {
            if (inNightPart(
                    table.alarms[static_cast<std::size_t>(entry.alarmIndex)], day, now, expectedNext)) {
                expected.push_back(entry.alarmIndex);
            }
        }
        OleDate next;
        std::vector<int> dayRowMap;
        lister.fillDayRowMap(day, now, next, dayRowMap);
        ASSERT_EQ(dayRowMap, expected) << day.formatDate();
        ASSERT_EQ(next, expectedNext) << day.formatDate();

        OleDate limitedNext;
        std::vector<int> firstTwo;
        lister.appendDayPart(day, now, limitedNext, firstTwo, 2);
        ASSERT_LE(firstTwo.size(), 2U);
        ASSERT_TRUE(std::equal(firstTwo.begin(), firstTwo.end(), expected.begin())) << day.formatDate();
    }
}

} // namespace
} // namespace kvx
