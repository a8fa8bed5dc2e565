#include "schedule/DisplayOrder.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace kvx {
namespace {

using test::at;

AlarmTable tableOf(const std::vector<OleDate>& starts)
{
    std::vector<AlarmRecord> alarms;
    alarms.reserve(starts.size());
    for (OleDate start : starts) {
        alarms.push_back(test::item(kKindNone, 0, start));
    }
    return test::tableOf(alarms);
}

std::vector<int> indexesOf(const DisplayOrder& order)
{
    std::vector<int> indexes;
    for (const DisplayOrder::Entry& entry : order) {
        indexes.push_back(entry.alarmIndex);
    }
    return indexes;
}

TEST(DisplayOrder, RunsByTimeOfDayThenByDate)
{
    struct Row {
        const char* name;
        std::vector<OleDate> starts;
        std::vector<int> order;
    };
    const Row rows[] = {
        {"2024-05-06 07:59 comes before 2024-05-05 08:00", {at(2024, 5, 5, 8, 0), at(2024, 5, 6, 7, 59)},
            {1, 0}},
        {"2024-06-01 10:15 comes before 2024-06-03 10:15", {at(2024, 6, 3, 10, 15), at(2024, 6, 1, 10, 15)},
            {1, 0}},
        {"2024-06-02 10:15:30 ties 2024-06-01 10:15:00 on the minute",
            {at(2024, 6, 2, 10, 15, 30), at(2024, 6, 1, 10, 15, 0)}, {1, 0}},
        {"2024-06-01 10:15:59 keeps its minute before 2024-05-01 10:16",
            {at(2024, 5, 1, 10, 16), at(2024, 6, 1, 10, 15, 59)}, {1, 0}},
        {"2024-06-01 10:15:10 before 10:15:30 on the same day",
            {at(2024, 6, 1, 10, 15, 30), at(2024, 6, 1, 10, 15, 10)}, {1, 0}},
        {"2024-06-01 a run of three ties between two others",
            {at(2024, 6, 1, 23, 0), at(2024, 6, 3, 12, 0), at(2024, 6, 1, 12, 0), at(2024, 6, 2, 12, 0),
                at(2030, 1, 1, 0, 0)},
            {4, 2, 3, 1, 0}},
        {"1899-12-30 the zero date is 00:00", {at(2024, 6, 1, 0, 1), OleDate(), at(2024, 6, 1, 0, 0)},
            {1, 2, 0}},
        {"no alarms", {}, {}},
    };
    for (const Row& row : rows) {
        DisplayOrder order;
        rebuildDisplayOrder(tableOf(row.starts), order);
        EXPECT_EQ(indexesOf(order), row.order) << row.name;
    }
}

TEST(DisplayOrder, KeysAreTheMinuteOrTheFullStartForTies)
{
    const AlarmTable table
        = tableOf({at(2024, 6, 3, 10, 15, 20), at(2024, 6, 1, 10, 15), at(2024, 6, 1, 7, 5, 40)});
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    ASSERT_EQ(order.size(), 3U);
    EXPECT_EQ(order[0].alarmIndex, 2);
    EXPECT_EQ(order[0].key, OleDate::fromCivil(1899, 12, 30, 7, 5));
    EXPECT_EQ(order[1].key, at(2024, 6, 1, 10, 15));
    EXPECT_EQ(order[2].key, at(2024, 6, 3, 10, 15, 20));
    EXPECT_EQ(order.positionOf(0), 2);
    EXPECT_EQ(order.positionOf(2), 0);
    EXPECT_EQ(order.positionOf(3), -1);
}

TEST(DisplayOrder, RebuildFollowsChangesOfTheTable)
{
    AlarmTable table = tableOf({at(2024, 6, 1, 9), at(2024, 6, 1, 8), at(2024, 6, 1, 7)});
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    EXPECT_EQ(indexesOf(order), (std::vector<int>{2, 1, 0}));
    table.remove(1);
    rebuildDisplayOrder(table, order);
    EXPECT_EQ(indexesOf(order), (std::vector<int>{1, 0}));
    table.alarms[0].startTime = at(2024, 6, 1, 6);
    rebuildDisplayOrder(table, order);
    EXPECT_EQ(indexesOf(order), (std::vector<int>{0, 1}));
}

TEST(DisplayOrder, EveryAlarmOnceInMinuteThenStartOrder)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> day(0, 60), minute(0, 1439), second(0, 2);
    std::vector<OleDate> starts;
    for (int i = 0; i < 3000; ++i) {
        const int m = minute(random) / 30 * 30; // many alarms share a minute
        starts.push_back(OleDate::fromDay(
            std::chrono::sys_days{std::chrono::year{2024} / 5 / 1} + std::chrono::days{day(random)},
            m * 60 + second(random)));
    }
    const AlarmTable table = tableOf(starts);
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    std::vector<int> seen = indexesOf(order);
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < static_cast<int>(seen.size()); ++i) {
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        const OleDate a = starts[static_cast<std::size_t>(order[i - 1].alarmIndex)];
        const OleDate b = starts[static_cast<std::size_t>(order[i].alarmIndex)];
        ASSERT_TRUE(a.minuteOfDay() < b.minuteOfDay() || (a.minuteOfDay() == b.minuteOfDay() && a <= b))
            << a.formatDateTime() << " before " << b.formatDateTime();
    }
}

} // namespace
} // namespace kvx
