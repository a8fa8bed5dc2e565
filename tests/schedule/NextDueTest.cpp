#include "schedule/NextDue.h"

#include "schedule/FiringDecision.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace kvx {
namespace {

using test::at;
using test::item;
using test::tableOf;

std::string text(OleDate date)
{
    return date.formatDate() + " " + date.formatTimeSeconds();
}

AlarmRecord rangAt(AlarmRecord record, OleDate lastAlarm, OleDate lastPreAlarm = OleDate())
{
    record.lastAlarm = lastAlarm;
    record.lastPreAlarm = lastPreAlarm;
    return record;
}

// "<tick> #<index> <main><pre>" for each ring.
std::string ring(OleDate now, const Firing& firing)
{
    return text(now) + " #" + std::to_string(firing.alarmIndex) + (firing.mainBell ? " main" : "")
        + (firing.preAlarm ? " pre" : "");
}

TEST(NextDue, MomentsAtTheBoundaries)
{
    struct Row {
        const char* name;
        std::vector<AlarmRecord> alarms;
        OleDate from;
        OleDate expected; // the zero date: nothing found
    };
    const AlarmRecord daily = item(kKindDaily, 0, at(2026, 3, 1, 7, 0));
    const AlarmRecord quick = item(kKindQuick, 0, at(2026, 3, 10, 12, 0, 30));
    const Row rows[] = {
        {"a second before the daily", {daily}, at(2026, 3, 10, 6, 59, 59), at(2026, 3, 10, 7, 0)},
        {"at the daily", {daily}, at(2026, 3, 10, 7, 0), at(2026, 3, 10, 7, 0)},
        {"inside the daily's minute", {daily}, at(2026, 3, 10, 7, 0, 59), at(2026, 3, 10, 7, 0, 59)},
        {"the daily rang today", {rangAt(daily, at(2026, 3, 10, 7, 0))}, at(2026, 3, 10, 7, 0, 1),
            at(2026, 3, 11, 7, 0)},
        {"the daily starts tomorrow", {item(kKindDaily, 0, at(2026, 3, 11, 7, 0))}, at(2026, 3, 10, 6, 0),
            at(2026, 3, 11, 7, 0)},
        {"quick timer ahead", {quick}, at(2026, 3, 10, 12, 0), at(2026, 3, 10, 12, 0, 30)},
        {"quick timer inside its window", {quick}, at(2026, 3, 10, 12, 1, 30), at(2026, 3, 10, 12, 1, 30)},
        {"quick timer past its window", {quick}, at(2026, 3, 10, 12, 1, 31), OleDate()},
        {"quick timer that rang", {rangAt(quick, at(2026, 3, 10, 12, 0, 30))}, at(2026, 3, 10, 12, 0),
            OleDate()},
        {"pre-alarm 5 minutes early", {item(kKindDaily, 0, at(2026, 3, 1, 8, 0), kPreOnly, 5)},
            at(2026, 3, 10, 7, 0), at(2026, 3, 10, 7, 55)},
        {"pre-alarm and main bell, the pre-alarm rang",
            {rangAt(item(kKindDaily, 0, at(2026, 3, 1, 8, 0), kPreAndMain, 5), OleDate(),
                at(2026, 3, 10, 7, 55))},
            at(2026, 3, 10, 7, 55, 1), at(2026, 3, 10, 8, 0)},
        {"daily pre-alarm waits for the start's second on the first day",
            {item(kKindDaily, 0, at(2026, 3, 10, 8, 0, 30), kPreOnly, 10)}, at(2026, 3, 10, 7, 0),
            at(2026, 3, 10, 7, 50, 30)},
        {"daily pre-alarm on a later day takes the whole minute",
            {item(kKindDaily, 0, at(2026, 3, 10, 8, 0, 30), kPreOnly, 10)}, at(2026, 3, 11, 7, 0),
            at(2026, 3, 11, 7, 50)},
        {"pre-alarm the evening before a once alarm",
            {item(kKindOnce, 0, at(2026, 3, 11, 0, 10), kPreOnly, 20)}, at(2026, 3, 10, 12, 0),
            at(2026, 3, 10, 23, 50)},
        {"once alarm in the past", {item(kKindOnce, 0, at(2026, 3, 9, 9, 0))}, at(2026, 3, 10, 6, 0),
            OleDate()},
        {"once alarm that rang in its minute",
            {rangAt(item(kKindOnce, 0, at(2026, 3, 10, 9, 0)), at(2026, 3, 10, 9, 0))},
            at(2026, 3, 10, 9, 0, 1), OleDate()},
        {"weekly Tuesday after today's ring",
            {rangAt(item(kKindWeekly, kTuesday, at(2026, 3, 3, 9, 0)), at(2026, 3, 10, 9, 0))},
            at(2026, 3, 10, 9, 0, 1), at(2026, 3, 17, 9, 0)},
        {"second Thursday after the second Tuesday",
            {item(kKindSecondWeek, kTuesday | kThursday, at(2026, 3, 1, 18, 0))}, at(2026, 3, 10, 18, 1),
            at(2026, 3, 12, 18, 0)},
        {"every other Monday", {item(kKindFortnightly, kMonday, at(2026, 3, 2, 9, 0))}, at(2026, 3, 2, 9, 1),
            at(2026, 3, 16, 9, 0)},
        {"the lower of two alarms of one minute", {item(kKindDaily, 0, at(2026, 3, 1, 9, 0)), daily},
            at(2026, 3, 10, 6, 0), at(2026, 3, 10, 7, 0)},
        {"kind, mode and weekdays that never ring",
            {item(kKindNone, 0, at(2026, 3, 10, 9, 0)), item(12, 0, at(2026, 3, 10, 9, 0)),
                item(kKindDaily, 0, at(2026, 3, 1, 9, 0), 3), item(kKindWeekly, 0, at(2026, 3, 1, 9, 0))},
            at(2026, 3, 10, 6, 0), OleDate()},
        {"an empty table", {}, at(2026, 3, 10, 23, 59, 30), OleDate()},
    };
    for (const Row& row : rows) {
        const NextCheck next = nextDueMoment(tableOf(row.alarms), row.from);
        EXPECT_EQ(next.found, !row.expected.isZero()) << row.name;
        if (next.found) {
            EXPECT_EQ(text(next.at), text(row.expected)) << row.name;
        } else {
            // A horizon: nothing rings before it, and it is a day or more ahead.
            EXPECT_GE(next.at.totalSeconds() - row.from.totalSeconds(), 86400) << row.name;
        }
    }
}

TEST(NextDue, OnlyCountedAlarmsAreSearched)
{
    AlarmTable table
        = tableOf({item(kKindDaily, 0, at(2026, 3, 1, 9, 0)), item(kKindDaily, 0, at(2026, 3, 1, 8, 0))});
    table.alarmCount = 1;
    EXPECT_EQ(text(nextDueMoment(table, at(2026, 3, 10, 6, 0)).at), text(at(2026, 3, 10, 9, 0)));
    table.alarmCount = -1;
    EXPECT_FALSE(nextDueMoment(table, at(2026, 3, 10, 6, 0)).found);
}

TEST(NextDue, HorizonsLeadToADistantAlarm)
{
    // April has no 31st: the next ring is 2026-05-31, beyond one search.
    const AlarmTable table = tableOf({item(kKindMonthly, 0, at(2026, 1, 31, 9, 0))});
    NextCheck next = nextDueMoment(table, at(2026, 4, 1));
    int horizons = 0;
    for (; !next.found && horizons < 10; ++horizons) {
        EXPECT_LE(next.at, at(2026, 5, 31, 9, 0));
        next = nextDueMoment(table, next.at);
    }
    EXPECT_EQ(text(next.at), text(at(2026, 5, 31, 9, 0)));
    EXPECT_LE(horizons, 2);
}

// Every kind, pre-alarm modes 0..2 with offsets short, across midnight, over a day
// and negative, quick timers at odd seconds, starts with seconds, in the past and
// ahead, and alarms that share a minute.
std::vector<AlarmRecord> mixedAlarms()
{
    const OleDate nov1 = at(2026, 11, 1);
    std::vector<AlarmRecord> alarms = {
        item(kKindDaily, 0, at(2026, 11, 1, 7, 0)),
        item(kKindWeekly, kMonday | kWednesday | kFriday, at(2026, 11, 1, 7, 0)),
        item(kKindDaily, 0, at(2026, 12, 16, 8, 15, 30), kPreOnly, 10),
        item(kKindDaily, 0, at(2026, 12, 20, 0, 5, 45), kPreAndMain, 20),
        item(kKindWeekly, kSaturday | kSunday, at(2026, 12, 1, 23, 50), kPreAndMain, 30),
        item(kKindWeekly, kTuesday, at(2026, 12, 29, 12, 0), kPreAndMain, 1500),
        item(kKindMonthly, 0, at(2026, 10, 31, 9, 0), kPreAndMain, 1500),
        item(kKindMonthly, 0, at(2026, 11, 1, 0, 10), kPreOnly, 30),
        item(kKindMonthly, 0, at(2027, 1, 20, 18, 0, 20), kPreAndMain, 60),
        item(kKindMonthly, 0, at(2026, 11, 29, 6, 0), kPreAndMain, 0),
        item(kKindOnce, 0, at(2026, 12, 15, 10, 0), kPreAndMain, 5),
        item(kKindOnce, 0, at(2026, 12, 15, 10, 5), kPreOnly, 5),
        item(kKindOnce, 0, at(2026, 11, 11, 11, 11)),
        rangAt(item(kKindOnce, 0, at(2026, 12, 14, 9, 0)), at(2026, 12, 14, 9, 0)),
        item(kKindOnce, 0, at(2026, 12, 31, 23, 59, 30), kPreAndMain, -3),
        item(kKindOnce, 0, at(2027, 1, 1, 0, 0)),
        item(kKindQuick, 0, at(2026, 12, 14, 12, 0, 31)),
        item(kKindQuick, 0, at(2026, 12, 20, 23, 59, 47)),
        rangAt(item(kKindQuick, 0, at(2026, 12, 22, 9, 0, 3)), at(2026, 12, 14, 1, 0)),
        item(kKindQuick, 0, at(2026, 12, 13, 23, 0, 13)),
        item(kKindQuick, 0, at(2026, 12, 15, 10, 0), kPreOnly, 0),
        item(kKindQuick, 0, at(2026, 12, 15, 10, 0, 17)),
        item(kKindFortnightly, kMonday | kThursday, at(2026, 12, 17, 6, 30), kPreAndMain, 450),
        item(kKindFortnightly, kFriday, at(2026, 12, 14, 21, 0), kPreOnly, 2000),
        item(kKindFortnightly, kSunday | kWednesday, at(2026, 12, 7, 19, 30)),
        item(kKindFirstWeek, kMonday, at(2026, 11, 2, 9, 0), kPreAndMain, 120),
        item(kKindSecondWeek, kTuesday | kThursday, at(2026, 11, 1, 18, 0)),
        item(kKindFifthWeek, kThursday, at(2026, 11, 1, 20, 0), kPreOnly, 300),
        item(kKindFifthWeek, kSunday, at(2026, 11, 1, 20, 0), kPreOnly, 300),
        item(kKindFourthWeek, kSunday, at(2026, 11, 1, 23, 59), kPreAndMain, 1),
        item(kKindThirdWeek, kWednesday, at(2026, 11, 1, 12, 0), kPreOnly, 4320),
        item(kKindFifthWeek, kFriday | kSaturday, at(2026, 11, 1, 0, 20), kPreAndMain, 40),
        item(12, 0, at(2026, 12, 15, 9, 0)),
        rangAt(item(kKindDaily, 0, at(2026, 11, 1, 5, 0)), at(2026, 12, 14, 5, 0)),
        item(kKindDaily, 0, at(2026, 11, 1, 23, 59, 59), kPreAndMain, 1440),
    };
    // Some more of every kind, the same each run.
    std::mt19937 random(20261214);
    const int offsets[] = {0, 1, 5, 59, 61, 600, 1439, 1441, 3000, -10};
    for (int i = 0; i < 5; ++i) {
        const int kind = static_cast<int>(random() % 11) + 1;
        const int mask = static_cast<int>(random() % 127) + 1;
        const int day = static_cast<int>(random() % 75);
        const int seconds = static_cast<int>(random() % 86400);
        const int preMode = static_cast<int>(random() % 3);
        const int preMinutes = offsets[random() % 10];
        alarms.push_back(item(kind, mask, nov1.plusDays(day).plusSeconds(seconds), preMode, preMinutes));
    }
    return alarms;
}

TEST(NextDue, WakingAtItsMomentsRingsAsTickingEverySecond)
{
    // Three weeks across the year's end, from a Monday.
    const OleDate first = at(2026, 12, 14);
    const long long span = 21LL * 86400;
    const std::vector<AlarmRecord> alarms = mixedAlarms();

    AlarmTable ticked = tableOf(alarms);
    std::vector<std::string> everySecond;
    for (long long s = 0; s < span; ++s) {
        const OleDate now = first.plusSeconds(s);
        if (const auto firing = fireDueAlarm(ticked, now)) {
            everySecond.push_back(ring(now, *firing));
        }
    }

    AlarmTable woken = tableOf(alarms);
    std::vector<std::string> atMoments;
    int wakeUps = 0;
    for (NextCheck next = nextDueMoment(woken, first); next.at.totalSeconds() < first.totalSeconds() + span;
         next = nextDueMoment(woken, next.at.plusSeconds(1))) {
        ++wakeUps;
        if (const auto firing = fireDueAlarm(woken, next.at)) {
            atMoments.push_back(ring(next.at, *firing));
        }
    }

    ASSERT_GT(everySecond.size(), 150U);
    const auto [slow, fast]
        = std::mismatch(everySecond.begin(), everySecond.end(), atMoments.begin(), atMoments.end());
    EXPECT_TRUE(slow == everySecond.end() && fast == atMoments.end())
        << "ticking every second: " << (slow == everySecond.end() ? "no more rings" : *slow)
        << "; waking at the moments: " << (fast == atMoments.end() ? "no more rings" : *fast);
    EXPECT_LE(wakeUps, static_cast<int>(everySecond.size()) + 21);
    EXPECT_EQ(ticked, woken);
}

TEST(NextDue, FullTableOfPastOnceAlarms)
{
    AlarmTable table;
    for (int i = 0; table.add(item(kKindOnce, 0, at(2026, 1, 1).plusSeconds(i * 60LL))); ++i) { }
    table.alarms[20000] = item(kKindWeekly, kWednesday, at(2026, 3, 1, 6, 30, 15));
    table.alarms[30000] = item(kKindDaily, 0, at(2026, 3, 1, 21, 0), kPreOnly, 30);
    const NextCheck next = nextDueMoment(table, at(2026, 3, 10, 21, 0));
    EXPECT_TRUE(next.found);
    EXPECT_EQ(text(next.at), text(at(2026, 3, 11, 6, 30)));
}

} // namespace
} // namespace kvx
