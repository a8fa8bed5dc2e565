#include "schedule/FiringDecision.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kvx {
namespace {

using test::tableOf;

// "2026-03-02T09:00:00" or "2026-03-02T09:00".
OleDate at(const char* iso)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const int fields = std::sscanf(iso, "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    EXPECT_GE(fields, 5) << iso;
    return OleDate::fromCivil(y, mo, d, h, mi, s);
}

std::string iso(OleDate date)
{
    const auto ymd = date.ymd();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), date.hour(), date.minute(),
        date.second());
    return text;
}

AlarmRecord alarm(int kind, const char* start, int mask = 0)
{
    return test::item(kind, mask, at(start));
}

AlarmRecord withPre(AlarmRecord record, int preMode, int preMinutes)
{
    record.preMode = static_cast<std::int16_t>(preMode);
    record.preMinutes = static_cast<std::int16_t>(preMinutes);
    return record;
}

AlarmRecord rangAt(AlarmRecord record, const char* lastAlarm, const char* lastPreAlarm = nullptr)
{
    record.lastAlarm = lastAlarm ? at(lastAlarm) : OleDate();
    record.lastPreAlarm = lastPreAlarm ? at(lastPreAlarm) : OleDate();
    return record;
}

std::string describe(const std::optional<Firing>& firing)
{
    if (!firing) {
        return "none";
    }
    std::string bells = firing->mainBell && firing->preAlarm ? "main+pre" : firing->mainBell ? "main" : "pre";
    return "#" + std::to_string(firing->alarmIndex) + " " + bells;
}

// Ticks once a `step` seconds from `from` to `to` inclusive, as the alarm loop
// does, and lists every ring as "<ISO tick> #<index> <bells>".
std::vector<std::string> ringsOver(
    const std::vector<AlarmRecord>& alarms, const char* from, const char* to, int step = 1)
{
    AlarmTable table = tableOf(alarms);
    std::vector<std::string> rings;
    const OleDate first = at(from);
    const long long span = at(to).totalSeconds() - first.totalSeconds();
    for (long long s = 0; s <= span; s += step) {
        const OleDate now = first.plusSeconds(s);
        const auto firing = fireDueAlarm(table, now);
        if (firing) {
            rings.push_back(iso(now) + " " + describe(firing));
        }
    }
    return rings;
}

using Rings = std::vector<std::string>;

// One alarm, one tick.
struct TickRow {
    const char* name;
    AlarmRecord alarm;
    const char* now;
    const char* expected; // "none", "#0 main", "#0 pre" or "#0 main+pre"
};

void checkTicks(const std::vector<TickRow>& rows)
{
    for (const TickRow& row : rows) {
        AlarmTable table = tableOf({row.alarm});
        EXPECT_EQ(describe(fireDueAlarm(table, at(row.now))), row.expected) << row.name;
    }
}

struct RunRow {
    const char* name;
    std::vector<AlarmRecord> alarms;
    const char* from;
    const char* to;
    int step;
    Rings expected;
};

void checkRuns(const std::vector<RunRow>& rows)
{
    for (const RunRow& row : rows) {
        EXPECT_EQ(ringsOver(row.alarms, row.from, row.to, row.step), row.expected) << row.name;
    }
}

TEST(FiringDecision, MainBellOfMonthlyWeeklyDailyAndOnce)
{
    checkTicks({
        {"2026-03-10T07:30:00 daily at its minute", alarm(kKindDaily, "2026-03-01T07:30"),
            "2026-03-10T07:30:00", "#0 main"},
        {"2026-03-10T07:31:00 daily a minute late", alarm(kKindDaily, "2026-03-01T07:30"),
            "2026-03-10T07:31:00", "none"},
        {"2026-03-10T07:29:59 daily a second early", alarm(kKindDaily, "2026-03-01T07:30"),
            "2026-03-10T07:29:59", "none"},
        {"2026-03-01T07:30:00 daily on its start date", alarm(kKindDaily, "2026-03-01T07:30"),
            "2026-03-01T07:30:00", "#0 main"},
        {"2026-02-28T07:30:00 daily before its start date", alarm(kKindDaily, "2026-03-01T07:30"),
            "2026-02-28T07:30:00", "none"},
        {"2026-03-10T07:30:30 daily already rang at 07:30:00",
            rangAt(alarm(kKindDaily, "2026-03-01T07:30"), "2026-03-10T07:30:00"), "2026-03-10T07:30:30",
            "none"},
        {"2026-03-10T07:30:00 daily rang yesterday",
            rangAt(alarm(kKindDaily, "2026-03-01T07:30"), "2026-03-09T07:30:00"), "2026-03-10T07:30:00",
            "#0 main"},
        {"2026-03-10T07:30:00 weekly Tuesday on a Tuesday", alarm(kKindWeekly, "2026-03-01T07:30", kTuesday),
            "2026-03-10T07:30:00", "#0 main"},
        {"2026-03-11T07:30:00 weekly Tuesday on a Wednesday",
            alarm(kKindWeekly, "2026-03-01T07:30", kTuesday), "2026-03-11T07:30:00", "none"},
        {"2026-03-09T07:30:00 weekly Mon+Sun on a Monday", alarm(kKindWeekly, "2026-03-01T07:30", 65),
            "2026-03-09T07:30:00", "#0 main"},
        {"2026-03-15T07:30:00 weekly Mon+Sun on a Sunday", alarm(kKindWeekly, "2026-03-01T07:30", 65),
            "2026-03-15T07:30:00", "#0 main"},
        {"2026-03-14T07:30:00 weekly Mon+Sun on a Saturday", alarm(kKindWeekly, "2026-03-01T07:30", 65),
            "2026-03-14T07:30:00", "none"},
        {"2026-02-23T07:30:00 weekly Monday before its start date",
            alarm(kKindWeekly, "2026-03-01T07:30", kMonday), "2026-02-23T07:30:00", "none"},
        {"2026-04-15T12:00:00 monthly on its day of month", alarm(kKindMonthly, "2026-01-15T12:00"),
            "2026-04-15T12:00:00", "#0 main"},
        {"2026-04-16T12:00:00 monthly on another day", alarm(kKindMonthly, "2026-01-15T12:00"),
            "2026-04-16T12:00:00", "none"},
        {"2026-04-30T12:00:00 monthly on the 31st, April's last day", alarm(kKindMonthly, "2026-01-31T12:00"),
            "2026-04-30T12:00:00", "none"},
        {"2025-12-15T12:00:00 monthly before its start date", alarm(kKindMonthly, "2026-01-15T12:00"),
            "2025-12-15T12:00:00", "none"},
        {"2026-03-10T09:00:00 once at its date and minute", alarm(kKindOnce, "2026-03-10T09:00"),
            "2026-03-10T09:00:00", "#0 main"},
        {"2026-03-10T09:00:59 once at the minute's last second", alarm(kKindOnce, "2026-03-10T09:00"),
            "2026-03-10T09:00:59", "#0 main"},
        {"2026-03-11T09:00:00 once a day late", alarm(kKindOnce, "2026-03-10T09:00"), "2026-03-11T09:00:00",
            "none"},
        {"2026-03-10T09:00:00 once that has rung",
            rangAt(alarm(kKindOnce, "2026-03-10T09:00"), "2026-03-10T09:00:00"), "2026-03-10T09:00:00",
            "none"},
        {"2026-03-10T09:00:00 once that rang on an earlier day",
            rangAt(alarm(kKindOnce, "2026-03-10T09:00"), "2026-03-01T09:00:00"), "2026-03-10T09:00:00",
            "none"},
        {"2026-03-10T09:00:00 kind 0 never rings", alarm(kKindNone, "2026-03-10T09:00"),
            "2026-03-10T09:00:00", "none"},
        {"2026-03-10T09:00:00 kind 12 never rings", alarm(12, "2026-03-10T09:00"), "2026-03-10T09:00:00",
            "none"},
        {"2026-03-10T09:00:00 weekly with no weekday ticked", alarm(kKindWeekly, "2026-03-01T09:00", 0),
            "2026-03-10T09:00:00", "none"},
        {"1899-12-20T07:30:00 a never-rung daily before the zero date counts as rung",
            alarm(kKindDaily, "1899-12-01T07:30"), "1899-12-20T07:30:00", "none"},
        {"1899-12-31T07:30:00 a never-rung daily the day after the zero date",
            alarm(kKindDaily, "1899-12-01T07:30"), "1899-12-31T07:30:00", "#0 main"},
        {"1899-12-20T07:30:00 a daily that rang in 1899-12-19",
            rangAt(alarm(kKindDaily, "1899-12-01T07:30"), "1899-12-19T07:30:00"), "1899-12-20T07:30:00",
            "#0 main"},
    });
}

TEST(FiringDecision, QuickTimerRingsWithinOneMinuteOfItsDue)
{
    const AlarmRecord quick = alarm(kKindQuick, "2026-03-10T10:00:30");
    checkTicks({
        {"2026-03-10T10:00:29 a second early", quick, "2026-03-10T10:00:29", "none"},
        {"2026-03-10T10:00:30 due", quick, "2026-03-10T10:00:30", "#0 main"},
        {"2026-03-10T10:01:00 inside the minute", quick, "2026-03-10T10:01:00", "#0 main"},
        {"2026-03-10T10:01:30 the minute's end", quick, "2026-03-10T10:01:30", "#0 main"},
        {"2026-03-10T10:01:31 a second late", quick, "2026-03-10T10:01:31", "none"},
        {"2026-03-10T10:00:31 already rung", rangAt(quick, "2026-03-10T10:00:30"), "2026-03-10T10:00:31",
            "none"},
        {"2026-03-10T10:00:30 no pre-alarm for a quick timer", withPre(quick, kPreOnly, 0),
            "2026-03-10T10:00:30", "none"},
    });
    checkRuns({
        {"2026-03-10T10:00:30 rings once", {quick}, "2026-03-10T09:59:00", "2026-03-10T10:05:00", 1,
            {"2026-03-10T10:00:30 #0 main"}},
        {"2026-03-10T10:01:10 started inside the window rings at once", {quick}, "2026-03-10T10:01:10",
            "2026-03-10T10:05:00", 1, {"2026-03-10T10:01:10 #0 main"}},
        {"2026-03-10T10:01:31 started after the window never rings", {quick}, "2026-03-10T10:01:31",
            "2026-03-11T10:05:00", 60, {}},
    });
}

TEST(FiringDecision, EachBellRingsOnceADay)
{
    checkRuns({
        {"2026-03-10T07:30:00 daily, again 2026-03-11T07:30:00", {alarm(kKindDaily, "2026-03-10T07:30")},
            "2026-03-10T00:00:00", "2026-03-11T23:59:59", 1,
            {"2026-03-10T07:30:00 #0 main", "2026-03-11T07:30:00 #0 main"}},
        {"2026-03-10T07:30:00 weekly Tuesday", {alarm(kKindWeekly, "2026-03-01T07:30", kTuesday)},
            "2026-03-10T00:00:00", "2026-03-11T23:59:59", 1, {"2026-03-10T07:30:00 #0 main"}},
        {"2026-03-10T07:30:00 monthly", {alarm(kKindMonthly, "2026-02-10T07:30")}, "2026-03-10T00:00:00",
            "2026-03-10T23:59:59", 1, {"2026-03-10T07:30:00 #0 main"}},
        {"2026-03-10T07:30:00 second Tuesday", {alarm(kKindSecondWeek, "2026-03-01T07:30", kTuesday)},
            "2026-03-10T00:00:00", "2026-03-10T23:59:59", 1, {"2026-03-10T07:30:00 #0 main"}},
        {"2026-03-02T07:30:00 every other week", {alarm(kKindFortnightly, "2026-03-02T07:30", kMonday)},
            "2026-03-02T00:00:00", "2026-03-02T23:59:59", 1, {"2026-03-02T07:30:00 #0 main"}},
        {"2026-03-10T07:50:00 pre-alarm, 2026-03-11T07:50:00 again",
            {withPre(alarm(kKindDaily, "2026-03-10T08:00"), kPreOnly, 10)}, "2026-03-10T00:00:00",
            "2026-03-11T23:59:59", 1, {"2026-03-10T07:50:00 #0 pre", "2026-03-11T07:50:00 #0 pre"}},
        {"2026-03-10T07:30:00 missed minute: a daily started at 07:31 waits a day",
            {alarm(kKindDaily, "2026-03-01T07:30")}, "2026-03-10T07:31:00", "2026-03-11T07:30:10", 1,
            {"2026-03-11T07:30:00 #0 main"}},
    });
}

TEST(FiringDecision, OnceAlarmRingsOnlyWhileNeverRung)
{
    const AlarmRecord once = alarm(kKindOnce, "2026-03-10T09:00");
    checkRuns({
        {"2026-03-10T09:00:00 rings once in its minute", {once}, "2026-03-09T09:00:00", "2026-03-11T09:00:00",
            1, {"2026-03-10T09:00:00 #0 main"}},
        {"2026-03-10T09:00:00 already rung: silent", {rangAt(once, "2026-03-10T09:00:00")},
            "2026-03-10T08:59:00", "2026-03-10T09:01:00", 1, {}},
    });
    // Editing an alarm resets its ring times; a once alarm can then ring again.
    AlarmTable table = tableOf({once});
    EXPECT_EQ(describe(fireDueAlarm(table, at("2026-03-10T09:00:00"))), "#0 main");
    EXPECT_EQ(describe(fireDueAlarm(table, at("2026-03-10T09:00:20"))), "none");
    table.alarms[0].lastAlarm = OleDate();
    EXPECT_EQ(describe(fireDueAlarm(table, at("2026-03-10T09:00:40"))), "#0 main");
}

TEST(FiringDecision, SameMinuteAlarmsRingOnConsecutiveTicks)
{
    checkRuns({
        {"2026-03-10T08:00:00 lower index first, the other at 08:00:01",
            {alarm(kKindDaily, "2026-03-01T08:00"), alarm(kKindWeekly, "2026-03-01T08:00", kTuesday)},
            "2026-03-10T07:59:58", "2026-03-10T08:00:05", 1,
            {"2026-03-10T08:00:00 #0 main", "2026-03-10T08:00:01 #1 main"}},
        {"2026-03-10T08:00:00 three due: one a tick",
            {alarm(kKindDaily, "2026-03-01T09:00"), alarm(kKindDaily, "2026-03-01T08:00"),
                alarm(kKindOnce, "2026-03-10T08:00"), alarm(kKindQuick, "2026-03-10T08:00:00")},
            "2026-03-10T07:59:58", "2026-03-10T08:00:05", 1,
            {"2026-03-10T08:00:00 #1 main", "2026-03-10T08:00:01 #2 main", "2026-03-10T08:00:02 #3 main"}},
    });
}

TEST(FiringDecision, PreModeChoosesTheBells)
{
    const AlarmRecord daily = alarm(kKindDaily, "2026-03-01T08:00");
    checkTicks({
        {"2026-03-10T08:00:00 preMode 0: main bell only", withPre(daily, kPreNone, 0), "2026-03-10T08:00:00",
            "#0 main"},
        {"2026-03-10T08:00:00 preMode 1 with no offset: pre-alarm only", withPre(daily, kPreOnly, 0),
            "2026-03-10T08:00:00", "#0 pre"},
        {"2026-03-10T08:00:00 preMode 2 with no offset: both in one tick", withPre(daily, kPreAndMain, 0),
            "2026-03-10T08:00:00", "#0 main+pre"},
        {"2026-03-10T08:00:00 preMode 2, pre-alarm rang today",
            rangAt(withPre(daily, kPreAndMain, 0), nullptr, "2026-03-10T06:00:00"), "2026-03-10T08:00:00",
            "#0 main"},
        {"2026-03-10T08:00:00 preMode 2, main bell rang today",
            rangAt(withPre(daily, kPreAndMain, 0), "2026-03-10T06:00:00"), "2026-03-10T08:00:00", "#0 pre"},
        {"2026-03-10T08:00:00 preMode 3 rings nothing", withPre(daily, 3, 0), "2026-03-10T08:00:00", "none"},
        {"2026-03-10T08:00:00 preMode -1 rings nothing", withPre(daily, -1, 0), "2026-03-10T08:00:00",
            "none"},
        {"2026-03-10T07:50:00 preMode 0 ignores the offset", withPre(daily, kPreNone, 10),
            "2026-03-10T07:50:00", "none"},
    });
    checkRuns({
        {"2026-03-10T07:50:00 pre-alarm only, no main bell at 08:00",
            {withPre(alarm(kKindDaily, "2026-03-10T08:00"), kPreOnly, 10)}, "2026-03-10T00:00:00",
            "2026-03-10T23:59:59", 1, {"2026-03-10T07:50:00 #0 pre"}},
        {"2026-03-10T08:30:00 preMinutes 90 ring 1h30 before 10:00",
            {withPre(alarm(kKindDaily, "2026-03-10T10:00"), kPreAndMain, 90)}, "2026-03-10T00:00:00",
            "2026-03-10T23:59:59", 1, {"2026-03-10T08:30:00 #0 pre", "2026-03-10T10:00:00 #0 main"}},
    });
}

TEST(FiringDecision, PreAlarmByKind)
{
    checkTicks({
        {"2026-04-15T11:50:00 monthly", withPre(alarm(kKindMonthly, "2026-01-15T12:00"), kPreOnly, 10),
            "2026-04-15T11:50:00", "#0 pre"},
        {"2026-04-16T11:50:00 monthly, wrong day",
            withPre(alarm(kKindMonthly, "2026-01-15T12:00"), kPreOnly, 10), "2026-04-16T11:50:00", "none"},
        {"2025-10-15T11:50:00 monthly before its start date rings",
            withPre(alarm(kKindMonthly, "2026-01-15T12:00"), kPreOnly, 10), "2025-10-15T11:50:00", "#0 pre"},
        {"2026-04-30T08:50:00 monthly on the 31st, April's last day",
            withPre(alarm(kKindMonthly, "2026-01-31T09:00"), kPreOnly, 10), "2026-04-30T08:50:00", "none"},
        {"2026-03-10T07:20:00 weekly Tuesday",
            withPre(alarm(kKindWeekly, "2026-03-01T07:30", kTuesday), kPreOnly, 10), "2026-03-10T07:20:00",
            "#0 pre"},
        {"2026-02-03T07:20:00 weekly before its start date rings",
            withPre(alarm(kKindWeekly, "2026-03-01T07:30", kTuesday), kPreOnly, 10), "2026-02-03T07:20:00",
            "#0 pre"},
        {"2026-03-11T07:20:00 weekly Tuesday on a Wednesday",
            withPre(alarm(kKindWeekly, "2026-03-01T07:30", kTuesday), kPreOnly, 10), "2026-03-11T07:20:00",
            "none"},
        {"2026-03-10T07:50:00 daily from its start",
            withPre(alarm(kKindDaily, "2026-03-10T08:00"), kPreOnly, 10), "2026-03-10T07:50:00", "#0 pre"},
        {"2026-03-09T07:50:00 daily, c before the start",
            withPre(alarm(kKindDaily, "2026-03-10T08:00"), kPreOnly, 10), "2026-03-09T07:50:00", "none"},
        {"2026-03-10T07:50:00 once", withPre(alarm(kKindOnce, "2026-03-10T08:00"), kPreOnly, 10),
            "2026-03-10T07:50:00", "#0 pre"},
        {"2026-03-10T07:49:00 once, a minute early",
            withPre(alarm(kKindOnce, "2026-03-10T08:00"), kPreOnly, 10), "2026-03-10T07:49:00", "none"},
        {"2026-03-10T07:50:00 once that rang its pre-alarm",
            rangAt(
                withPre(alarm(kKindOnce, "2026-03-10T08:00"), kPreOnly, 10), nullptr, "2026-03-10T07:50:00"),
            "2026-03-10T07:50:00", "none"},
        {"2026-03-10T10:00:00 quick timer never has one",
            withPre(alarm(kKindQuick, "2026-03-10T10:10"), kPreOnly, 10), "2026-03-10T10:00:00", "none"},
        {"2026-03-10T17:30:00 second Tuesday",
            withPre(alarm(kKindSecondWeek, "2026-03-01T18:00", kTuesday), kPreOnly, 30),
            "2026-03-10T17:30:00", "#0 pre"},
        {"2026-03-10T18:00:00 second Tuesday: the unshifted form also matches",
            withPre(alarm(kKindSecondWeek, "2026-03-01T18:00", kTuesday), kPreOnly, 30),
            "2026-03-10T18:00:00", "#0 pre"},
        {"2026-03-03T17:30:00 first Tuesday is no second",
            withPre(alarm(kKindSecondWeek, "2026-03-01T18:00", kTuesday), kPreOnly, 30),
            "2026-03-03T17:30:00", "none"},
        // June's fifth Monday is the 29th; c lies in June, so the 29th is taken in May.
        {"2026-05-29T09:00:00 fifth Monday's day number from c's month",
            withPre(alarm(kKindFifthWeek, "2026-01-01T09:00", kMonday), kPreOnly, 7200),
            "2026-05-29T09:00:00", "#0 pre"},
        {"2026-06-24T09:00:00 fifth Monday five days ahead",
            withPre(alarm(kKindFifthWeek, "2026-01-01T09:00", kMonday), kPreOnly, 7200),
            "2026-06-24T09:00:00", "#0 pre"},
        {"2026-05-31T23:30:00 fifth Sunday of May, June has none",
            withPre(alarm(kKindFifthWeek, "2026-01-01T23:50", kSunday), kPreOnly, 20), "2026-05-31T23:30:00",
            "#0 pre"},
        {"2026-05-31T23:40:00 c falls on June 1st, June has no fifth Sunday",
            withPre(alarm(kKindFifthWeek, "2026-01-01T00:00", kSunday), kPreOnly, 20), "2026-05-31T23:40:00",
            "none"},
        // December 1899 has four Mondays; the missing fifth one is the zero date, 1899-12-30.
        {"1899-12-30T08:00:00 missing fifth Monday stands for the zero date",
            rangAt(withPre(alarm(kKindFifthWeek, "1899-12-01T09:00", kMonday), kPreOnly, 60), nullptr,
                "1899-12-29T00:00:00"),
            "1899-12-30T08:00:00", "#0 pre"},
        {"1899-12-30T08:00:00 fifth Friday exists: the 29th",
            rangAt(withPre(alarm(kKindFifthWeek, "1899-12-01T09:00", kFriday), kPreOnly, 60), nullptr,
                "1899-12-29T00:00:00"),
            "1899-12-30T08:00:00", "none"},
        {"1899-12-29T08:00:00 fifth Friday",
            rangAt(withPre(alarm(kKindFifthWeek, "1899-12-01T09:00", kFriday), kPreOnly, 60), nullptr,
                "1899-12-28T00:00:00"),
            "1899-12-29T08:00:00", "#0 pre"},
    });
}

TEST(FiringDecision, PreAlarmOffsetsCrossMidnightAndMonthEnds)
{
    checkRuns({
        {"2026-02-28T23:50:00 monthly on the 1st at 00:10",
            {withPre(alarm(kKindMonthly, "2026-01-01T00:10"), kPreAndMain, 20)}, "2026-02-28T00:00",
            "2026-03-01T23:59", 60, {"2026-02-28T23:50:00 #0 pre", "2026-03-01T00:10:00 #0 main"}},
        {"2026-03-01T23:50:00 weekly Monday at 00:10",
            {withPre(alarm(kKindWeekly, "2026-03-02T00:10", kMonday), kPreAndMain, 20)}, "2026-03-01T00:00",
            "2026-03-02T23:59", 60, {"2026-03-01T23:50:00 #0 pre", "2026-03-02T00:10:00 #0 main"}},
        {"2026-03-09T23:50:00 daily from 03-10 00:10 rings its pre-alarm the evening before",
            {withPre(alarm(kKindDaily, "2026-03-10T00:10"), kPreAndMain, 20)}, "2026-03-08T00:00",
            "2026-03-10T23:59", 60,
            {"2026-03-09T23:50:00 #0 pre", "2026-03-10T00:10:00 #0 main", "2026-03-10T23:50:00 #0 pre"}},
        {"2026-03-31T23:50:00 once on 04-01 at 00:10",
            {withPre(alarm(kKindOnce, "2026-04-01T00:10"), kPreAndMain, 20)}, "2026-03-31T00:00",
            "2026-04-01T23:59", 60, {"2026-03-31T23:50:00 #0 pre", "2026-04-01T00:10:00 #0 main"}},
        // The unshifted form matches again at the main minute, and the pre-alarm
        // rang yesterday, so both bells ring then.
        {"2026-05-31T23:50:00 first Monday of June at 00:10",
            {withPre(alarm(kKindFirstWeek, "2026-05-01T00:10", kMonday), kPreAndMain, 20)},
            "2026-05-31T00:00", "2026-06-01T23:59", 60,
            {"2026-05-31T23:50:00 #0 pre", "2026-06-01T00:10:00 #0 main+pre"}},
        {"2026-05-31T23:50:00 May's and June's tables in one tick",
            {alarm(kKindFirstWeek, "2026-05-01T23:50", kMonday),
                withPre(alarm(kKindFirstWeek, "2026-05-01T00:10", kMonday), kPreOnly, 20)},
            "2026-05-31T23:49:00", "2026-05-31T23:51:00", 1, {"2026-05-31T23:50:00 #1 pre"}},
        {"2026-03-01T23:50:00 every other Monday at 00:10",
            {withPre(alarm(kKindFortnightly, "2026-03-02T00:10", kMonday), kPreAndMain, 20)},
            "2026-03-01T00:00", "2026-03-16T23:59", 60,
            {"2026-03-01T23:50:00 #0 pre", "2026-03-02T00:10:00 #0 main+pre", "2026-03-15T23:50:00 #0 pre",
                "2026-03-16T00:10:00 #0 main+pre"}},
        {"2026-03-02T08:30:00 every other week Mon+Wed, Wednesday's at the main minute",
            {withPre(alarm(kKindFortnightly, "2026-03-02T09:00", kMonday | kWednesday), kPreOnly, 30)},
            "2026-03-01T00:00", "2026-03-19T23:59", 60,
            {"2026-03-02T08:30:00 #0 pre", "2026-03-04T09:00:00 #0 pre", "2026-03-16T08:30:00 #0 pre",
                "2026-03-18T09:00:00 #0 pre"}},
    });
}

TEST(FiringDecision, RecurrenceOverWeeksAndMonths)
{
    checkRuns({
        {"2026-03-02T07:00:00 weekly mask 65: Mondays and Sundays",
            {alarm(kKindWeekly, "2026-03-02T07:00", 65)}, "2026-03-02T00:00", "2026-03-15T23:59", 60,
            {"2026-03-02T07:00:00 #0 main", "2026-03-08T07:00:00 #0 main", "2026-03-09T07:00:00 #0 main",
                "2026-03-15T07:00:00 #0 main"}},
        {"2026-03-02T09:00:00 every other week Mon+Wed, not 03-09 nor 03-11",
            {alarm(kKindFortnightly, "2026-03-02T09:00", kMonday | kWednesday)}, "2026-03-01T00:00",
            "2026-03-31T23:59", 60,
            {"2026-03-02T09:00:00 #0 main", "2026-03-04T09:00:00 #0 main", "2026-03-16T09:00:00 #0 main",
                "2026-03-18T09:00:00 #0 main", "2026-03-30T09:00:00 #0 main"}},
        // The start day itself rings only when its weekday is ticked, as the lists show.
        {"2026-03-30T09:00:00 every other Monday from a Friday, across the month end",
            {alarm(kKindFortnightly, "2026-03-27T09:00", kMonday)}, "2026-03-27T00:00", "2026-04-13T23:59",
            60, {"2026-03-30T09:00:00 #0 main", "2026-04-13T09:00:00 #0 main"}},
        {"2026-03-27T09:00:00 every other Friday and Monday from a Friday",
            {alarm(kKindFortnightly, "2026-03-27T09:00", kMonday | kFriday)}, "2026-03-27T00:00",
            "2026-04-13T23:59", 60,
            {"2026-03-27T09:00:00 #0 main", "2026-03-30T09:00:00 #0 main", "2026-04-10T09:00:00 #0 main",
                "2026-04-13T09:00:00 #0 main"}},
        {"2026-01-31T09:00:00 monthly on the 31st skips short months",
            {alarm(kKindMonthly, "2026-01-31T09:00")}, "2026-01-01T00:00", "2026-05-31T23:59", 60,
            {"2026-01-31T09:00:00 #0 main", "2026-03-31T09:00:00 #0 main", "2026-05-31T09:00:00 #0 main"}},
        {"2026-03-10T18:00:00 second Tuesday and Thursday",
            {alarm(kKindSecondWeek, "2026-03-01T18:00", kTuesday | kThursday)}, "2026-03-01T00:00",
            "2026-04-30T23:59", 60,
            {"2026-03-10T18:00:00 #0 main", "2026-03-12T18:00:00 #0 main", "2026-04-09T18:00:00 #0 main",
                "2026-04-14T18:00:00 #0 main"}},
        {"2026-03-31T12:00:00 fifth Tuesday, none in April and May",
            {alarm(kKindFifthWeek, "2026-03-01T12:00", kTuesday)}, "2026-03-01T00:00", "2026-06-30T23:59", 60,
            {"2026-03-31T12:00:00 #0 main", "2026-06-30T12:00:00 #0 main"}},
        {"2026-03-01T10:00:00 first Sunday, a 31-day month starting on Sunday",
            {alarm(kKindFirstWeek, "2026-03-01T10:00", kSunday)}, "2026-03-01T00:00", "2026-03-31T23:59", 60,
            {"2026-03-01T10:00:00 #0 main"}},
        {"2026-03-29T10:00:00 fifth Sunday of the same month",
            {alarm(kKindFifthWeek, "2026-03-01T10:00", kSunday)}, "2026-03-01T00:00", "2026-03-31T23:59", 60,
            {"2026-03-29T10:00:00 #0 main"}},
        {"2026-03-10T09:00:00 weekly-unit kinds with no weekday ticked never ring",
            {alarm(kKindFortnightly, "2026-03-10T09:00", 0), alarm(kKindFirstWeek, "2026-03-01T09:00", 0),
                alarm(kKindFifthWeek, "2026-03-01T09:00", 0)},
            "2026-03-01T00:00", "2026-03-31T23:59", 60, {}},
    });
}

TEST(FiringDecision, StartDateInTheFuture)
{
    checkRuns({
        {"2026-04-05T09:00:00 monthly, not 03-05", {alarm(kKindMonthly, "2026-04-05T09:00")},
            "2026-03-01T00:00", "2026-04-10T23:59", 60, {"2026-04-05T09:00:00 #0 main"}},
        {"2026-03-16T09:00:00 weekly Monday, not 03-02 nor 03-09",
            {alarm(kKindWeekly, "2026-03-16T09:00", kMonday)}, "2026-03-01T00:00", "2026-03-17T23:59", 60,
            {"2026-03-16T09:00:00 #0 main"}},
        {"2026-03-10T09:00:00 daily, not 03-08 nor 03-09", {alarm(kKindDaily, "2026-03-10T09:00")},
            "2026-03-08T00:00", "2026-03-11T23:59", 60,
            {"2026-03-10T09:00:00 #0 main", "2026-03-11T09:00:00 #0 main"}},
        {"2026-03-10T09:00:00 once, only on its date", {alarm(kKindOnce, "2026-03-10T09:00")},
            "2026-03-08T00:00", "2026-03-11T23:59", 60, {"2026-03-10T09:00:00 #0 main"}},
        {"2026-02-16T09:00:00 every other week rings 14 days before its start",
            {alarm(kKindFortnightly, "2026-03-02T09:00", kMonday | kWednesday)}, "2026-02-10T00:00",
            "2026-03-01T23:59", 60, {"2026-02-16T09:00:00 #0 main", "2026-02-18T09:00:00 #0 main"}},
        {"2026-04-06T08:00:00 first Monday rings in the months before its start",
            {alarm(kKindFirstWeek, "2026-06-01T08:00", kMonday)}, "2026-04-01T00:00", "2026-06-30T23:59", 60,
            {"2026-04-06T08:00:00 #0 main", "2026-05-04T08:00:00 #0 main", "2026-06-01T08:00:00 #0 main"}},
    });
}

TEST(FiringDecision, FiringRecordsTheRingTimes)
{
    struct Row {
        const char* name;
        AlarmRecord alarm;
        const char* now;
        bool mainBell;
        bool preAlarm;
        const char* lastAlarmAfter; // nullptr: the zero date
        const char* lastPreAlarmAfter;
    };
    const Row rows[] = {
        {"2026-03-10T08:00:07 main bell keeps the pre-alarm time",
            rangAt(withPre(alarm(kKindDaily, "2026-03-01T08:00"), kPreAndMain, 30), "2026-03-09T08:00:00",
                "2026-03-10T07:30:00"),
            "2026-03-10T08:00:07", true, false, "2026-03-10T08:00:07", "2026-03-10T07:30:00"},
        {"2026-03-10T07:30:03 pre-alarm keeps the main bell time",
            rangAt(withPre(alarm(kKindDaily, "2026-03-01T08:00"), kPreAndMain, 30), "2026-03-09T08:00:00",
                "2026-03-09T07:30:00"),
            "2026-03-10T07:30:03", false, true, "2026-03-09T08:00:00", "2026-03-10T07:30:03"},
        {"2026-03-10T08:00:00 both bells take now",
            withPre(alarm(kKindDaily, "2026-03-01T08:00"), kPreAndMain, 0), "2026-03-10T08:00:00", true, true,
            "2026-03-10T08:00:00", "2026-03-10T08:00:00"},
    };
    for (const Row& row : rows) {
        AlarmTable table = tableOf({alarm(kKindDaily, "2026-03-01T05:00"), row.alarm});
        const auto firing = fireDueAlarm(table, at(row.now));
        ASSERT_TRUE(firing.has_value()) << row.name;
        EXPECT_EQ(firing->alarmIndex, 1) << row.name;
        EXPECT_EQ(firing->mainBell, row.mainBell) << row.name;
        EXPECT_EQ(firing->preAlarm, row.preAlarm) << row.name;
        EXPECT_EQ(table.alarms[1].lastAlarm, row.lastAlarmAfter ? at(row.lastAlarmAfter) : OleDate())
            << row.name;
        EXPECT_EQ(table.alarms[1].lastPreAlarm, row.lastPreAlarmAfter ? at(row.lastPreAlarmAfter) : OleDate())
            << row.name;
        EXPECT_TRUE(table.alarms[0].lastAlarm.isZero()) << row.name;
    }
}

TEST(FiringDecision, OnlyCountedAlarmsAreScanned)
{
    struct Row {
        const char* name;
        int alarmCount;
        const char* expected;
    };
    const Row rows[] = {
        {"2026-03-10T08:00:00 the due alarm counted", 2, "#1 main"},
        {"2026-03-10T08:00:00 the due alarm in the spare slot", 1, "none"},
        {"2026-03-10T08:00:00 an empty table", 0, "none"},
    };
    for (const Row& row : rows) {
        AlarmTable table
            = tableOf({alarm(kKindDaily, "2026-03-01T09:00"), alarm(kKindDaily, "2026-03-01T08:00")});
        table.alarmCount = static_cast<std::int16_t>(row.alarmCount);
        EXPECT_EQ(describe(fireDueAlarm(table, at("2026-03-10T08:00:00"))), row.expected) << row.name;
    }
}

} // namespace
} // namespace kvx
