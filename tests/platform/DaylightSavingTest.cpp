#include "platform/QtLocalTime.h"
#include "schedule/FiringDecision.h"
#include "schedule/NextAlarm.h"
#include "schedule/NextDue.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Bells on the days the clocks change, in two zones, through the rule the
// alarm tick uses: it sleeps until the instant of the next bell's wall time
// (instantOf), and rings what fireDueAlarm finds due then, the minutes the
// clocks just skipped included.

namespace kvx {
namespace {

// The UTC instant of a wall time in `zone`, as "HH:MM+offset" for the messages.
std::string shown(const QTimeZone& zone, long long instant)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(instant, zone);
    return at.toString(QStringLiteral("HH:mm")).toStdString() + "/"
        + std::to_string(at.offsetFromUtc() / 3600);
}

// Every ring of one day as the tick makes them: "HH:MM/offset main" or "... pre".
std::vector<std::string> ringsOfTheDay(const QTimeZone& zone, QDate day, const AlarmRecord& alarm)
{
    const QtLocalTime local(zone);
    AlarmTable table;
    table.add(alarm);
    std::vector<std::string> rings;
    long long instant = QDateTime(day, QTime(0, 0), zone).toSecsSinceEpoch();
    const long long end = QDateTime(day.addDays(1), QTime(0, 0), zone).toSecsSinceEpoch();
    while (instant < end) {
        instant = nextTick(table, local, instant + 1).instant;
        if (instant >= end) {
            break;
        }
        const std::optional<Firing> firing
            = fireDueAlarm(table, local.wallAt(instant), skippedMinutes(local, instant));
        if (firing) {
            rings.push_back(
                shown(zone, instant) + (firing->preAlarm ? " pre" : "") + (firing->mainBell ? " main" : ""));
        }
    }
    return rings;
}

TEST(DaylightSaving, ABellRingsOnceOnTheDaysTheClocksChange)
{
    struct Case {
        const char* zone;
        QDate day;
        int kind;
        int hour, minute, preMinutes;
        std::vector<std::string> rings;
    };
    const std::vector<Case> cases = {
        // Spring: 02:00 becomes 03:00. A bell of the lost hour rings at its end, once.
        {"Europe/Berlin", {2027, 3, 28}, kKindDaily, 2, 30, 0, {"03:00/2 main"}},
        {"Europe/Berlin", {2027, 3, 28}, kKindWeekly, 2, 30, 0, {"03:00/2 main"}},
        {"Europe/Berlin", {2027, 3, 28}, kKindDaily, 2, 30, 10, {"03:00/2 pre", "03:00/2 main"}},
        {"Europe/Berlin", {2027, 3, 28}, kKindDaily, 3, 10, 15, {"03:00/2 pre", "03:10/2 main"}},
        {"America/New_York", {2027, 3, 14}, kKindDaily, 2, 15, 0, {"03:00/-4 main"}},
        {"America/New_York", {2027, 3, 14}, kKindWeekly, 2, 15, 5, {"03:00/-4 pre", "03:00/-4 main"}},
        // Autumn: the hour is shown twice. A bell in it rings at its first showing, once.
        {"Europe/Berlin", {2027, 10, 31}, kKindDaily, 2, 30, 0, {"02:30/2 main"}},
        {"Europe/Berlin", {2027, 10, 31}, kKindWeekly, 2, 30, 10, {"02:20/2 pre", "02:30/2 main"}},
        {"America/New_York", {2027, 11, 7}, kKindDaily, 1, 30, 0, {"01:30/-4 main"}},
        {"America/New_York", {2027, 11, 7}, kKindWeekly, 1, 45, 30, {"01:15/-4 pre", "01:45/-4 main"}},
        // Away from the change, nothing moves.
        {"Europe/Berlin", {2027, 3, 28}, kKindDaily, 7, 0, 0, {"07:00/2 main"}},
    };
    for (const Case& c : cases) {
        const QTimeZone zone(c.zone);
        ASSERT_TRUE(zone.isValid()) << c.zone;
        SCOPED_TRACE(std::string(c.zone) + " " + c.day.toString(Qt::ISODate).toStdString() + " "
            + std::to_string(c.kind) + " " + std::to_string(c.hour) + ":" + std::to_string(c.minute) + " pre "
            + std::to_string(c.preMinutes));
        AlarmRecord alarm;
        alarm.kind = static_cast<std::int16_t>(c.kind);
        alarm.weekdayMask = 0x7F;
        alarm.startTime = OleDate::fromCivil(2027, 1, 4, c.hour, c.minute);
        alarm.endTime = alarm.startTime;
        alarm.preMode = static_cast<std::int16_t>(c.preMinutes > 0 ? kPreAndMain : kPreNone);
        alarm.preMinutes = static_cast<std::int16_t>(c.preMinutes);
        EXPECT_EQ(ringsOfTheDay(zone, c.day, alarm), c.rings);
    }
}

// The countdown counts real time across the change, to the instant the bell rings.
TEST(DaylightSaving, TheCountdownCountsRealTime)
{
    const QTimeZone berlin("Europe/Berlin");
    const QtLocalTime local(berlin);
    const QDateTime now(QDate(2027, 3, 28), QTime(1, 28, 58), berlin);
    const RealNow real{local, now.toMSecsSinceEpoch()};
    const OleDate wallNow = OleDate::fromCivil(2027, 3, 28, 1, 28, 58);
    EXPECT_EQ(nextAlarmText(OleDate::fromCivil(2027, 3, 28, 2, 30), wallNow, &real), "あと31分2秒 本日03:00");
    EXPECT_EQ(
        nextAlarmText(OleDate::fromCivil(2027, 3, 28, 4, 0), wallNow, &real), "あと1時間31分2秒 本日04:00");
    const QDateTime autumn(QDate(2027, 10, 31), QTime(1, 30), berlin);
    const RealNow fold{local, autumn.toMSecsSinceEpoch()};
    EXPECT_EQ(nextAlarmText(
                  OleDate::fromCivil(2027, 10, 31, 3, 30), OleDate::fromCivil(2027, 10, 31, 1, 30), &fold),
        "あと3時間 本日03:30");
}

} // namespace
} // namespace kvx
