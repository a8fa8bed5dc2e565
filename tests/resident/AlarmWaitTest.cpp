#include "ResidentFixture.h"
#include "resident/NotificationWindow.h"

#include <QLabel>
#include <QPushButton>

namespace kvx {
namespace {

QDateTime at(int day, int h, int m, int s = 0, int ms = 0)
{
    return {QDate(2026, 12, day), QTime(h, m, s, ms)};
}

// The tick sleeps until a bell can ring: the minute starts while the tip
// counts down, the alarm's own second, nothing in between.
TEST_F(ResidentTest, TheTickWakesOnlyAtMinuteStartsAndDueSeconds)
{
    start();
    AlarmRecord quick = dailyAlarm(8, 0);
    quick.kind = kKindQuick;
    quick.startTime = OleDate::fromCivil(2026, 12, 8, 7, 45, 17);
    addAlarm(dailyAlarm(8, 0));
    addAlarm(dailyAlarm(8, 0));
    addAlarm(quick);
    const int before = m_resident->alarmTickCount();
    advanceTo(7, 45, 17, 100);
    EXPECT_TRUE(m_resident->alarmSounding()) << "the quick timer rings at its second";
    m_resident->ringer().stopAction();
    advanceTo(8, 0, 0, 100);
    EXPECT_EQ(m_tables.alarms.alarms[0].lastAlarm, OleDate::fromCivil(2026, 12, 8, 8, 0, 0));
    EXPECT_TRUE(m_tables.alarms.alarms[1].lastAlarm.isZero());
    m_resident->ringer().stopAction();
    advanceTo(8, 0, 1, 100);
    EXPECT_EQ(m_tables.alarms.alarms[1].lastAlarm, OleDate::fromCivil(2026, 12, 8, 8, 0, 1))
        << "two alarms of one minute ring one tick apart";
    // 31 minute starts, one 10 s before the first bell to make what it needs,
    // the bells' own seconds (the quick timer's, and one tick for each alarm
    // of 08:00) and one half a second before each of them where a long sleep
    // led up to it (a long sleep may end some milliseconds late).
    EXPECT_LE(m_resident->alarmTickCount() - before, 37);

    // Nothing left to count down to: nothing wakes the tick for an hour.
    m_resident->ringer().stopAction();
    clearAlarms();
    m_resident->restartAlarmTick();
    const int idle = m_resident->alarmTickCount();
    advanceTo(9, 0, 0, 10);
    EXPECT_LE(m_resident->alarmTickCount() - idle, 1);
}

// A jump of the wall clock re-arms the wait at once; the alarm's minute that
// the jump passed over does not ring late.
TEST_F(ResidentTest, ClockSetForwardsBackwardsAndAnotherTimeZone)
{
    struct Row {
        const char* name;
        QDateTime setTo;
        bool ringsWithinASecond;
    };
    const Row rows[] = {
        {"forwards into the minute", at(8, 7, 30, 20), true},
        {"forwards past the minute", at(8, 7, 31, 0), false},
        {"backwards before it", at(8, 7, 10, 0), false},
        // Another zone shows the same instant at another local time.
        {"a zone nine hours ahead", at(8, 16, 29, 58), false},
    };
    for (const Row& row : rows) {
        clearAlarms();
        m_clock.setNow(at(8, 7, 29, 50));
        writeMain("STARTFLG", "0");
        start();
        addAlarm(dailyAlarm(7, 30));
        m_clock.setNow(row.setTo);
        m_wallClock.clockSet();
        m_clock.advanceMs(1005);
        EXPECT_EQ(m_resident->alarmSounding(), row.ringsWithinASecond) << row.name;
        EXPECT_EQ(m_resident->ringer().missedWindow(), nullptr) << row.name;
        m_resident->ringer().stopAction();
    }
    // Set back before the minute, the alarm rings at it.
    clearAlarms();
    m_clock.setNow(at(8, 7, 29, 50));
    addAlarm(dailyAlarm(7, 30));
    m_clock.setNow(at(8, 7, 0, 0));
    m_wallClock.clockSet();
    m_clock.advanceMs(29 * 60 * 1000 + 1000);
    EXPECT_FALSE(m_resident->alarmSounding());
    m_clock.advanceMs(60 * 1000);
    EXPECT_TRUE(m_resident->alarmSounding());
}

// After a sleep the bells passed within 12 hours are told of, without a
// sound, and their last-ring times stay as they were.
TEST_F(ResidentTest, AlarmsPassedInASleepAreToldOfButNotRung)
{
    struct Row {
        const char* name;
        QDateTime sleepFrom, wakeAt;
        std::vector<std::pair<int, int>> alarms; // daily, hour and minute
        const char* message; // the first lines of the notice; "" no notice
        const char* time;
    };
    const std::vector<Row> rows = {
        {"one alarm", at(8, 7, 29, 50), at(8, 7, 45), {{7, 30}}, "スリープ中に過ぎたアラーム\nアラーム 7:30",
            "07:30"},
        {"across midnight", at(8, 23, 40), at(9, 0, 30), {{23, 50}, {0, 10}},
            "スリープ中に過ぎたアラーム\n23:50  アラーム 23:50\n00:10  アラーム 0:10", "23:50"},
        {"more than 12 hours ago", at(8, 7, 29, 50), at(8, 20, 0), {{7, 30}}, "", ""},
        {"nothing passed", at(8, 7, 29, 50), at(8, 7, 29, 55), {{7, 30}}, "", ""},
    };
    for (const Row& row : rows) {
        clearAlarms();
        m_clock.setNow(row.sleepFrom);
        writeMain("STARTFLG", "0");
        start();
        for (const auto& [h, m] : row.alarms) {
            AlarmRecord alarm = dailyAlarm(h, m);
            alarm.message = "アラーム " + std::to_string(h) + ":" + (m < 10 ? "0" : "") + std::to_string(m);
            addAlarm(alarm);
        }
        const AlarmTable before = m_tables.alarms;
        m_clock.setNow(row.wakeAt);
        m_wallClock.resumed();
        NotificationWindow* notice = m_resident->ringer().missedWindow();
        const bool told = notice != nullptr && notice->isVisible();
        EXPECT_EQ(told, *row.message != 0) << row.name;
        if (told) {
            EXPECT_EQ(notice->message()->text(), QString::fromUtf8(row.message)) << row.name;
            EXPECT_EQ(notice->timeBox()->text(), QString::fromUtf8(row.time)) << row.name;
            notice->okButton()->click();
            EXPECT_FALSE(notice->isVisible());
        }
        EXPECT_FALSE(m_resident->alarmSounding()) << row.name;
        EXPECT_EQ(m_media.status(), MediaStatus::Closed) << row.name;
        EXPECT_TRUE(m_tables.alarms == before) << row.name;
    }
}

// A machine that wakes inside a bell's minute (or a quick timer's minute
// after it) rings it; only a bell that can no longer ring is told as missed.
TEST_F(ResidentTest, ABellStillInItsMinuteAtWakingIsRungNotTold)
{
    struct Row {
        const char* name;
        int kind;
        QTime wakeAt;
        bool rung;
    };
    const Row rows[] = {
        {"daily 07:30, woken at 07:30:20", kKindDaily, QTime(7, 30, 20), true},
        {"quick timer at 07:30:30, woken at 07:31:10", kKindQuick, QTime(7, 31, 10), true},
        {"daily 07:30, woken at 07:31:00", kKindDaily, QTime(7, 31, 0), false},
    };
    for (const Row& row : rows) {
        clearAlarms();
        m_clock.setNow(at(8, 7, 20));
        writeMain("STARTFLG", "0");
        start();
        AlarmRecord alarm = dailyAlarm(7, 30);
        alarm.kind = static_cast<std::int16_t>(row.kind);
        if (row.kind == kKindQuick) {
            alarm.startTime = OleDate::fromCivil(2026, 12, 8, 7, 30, 30);
        }
        addAlarm(alarm);
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), row.wakeAt));
        m_wallClock.resumed();
        m_clock.advanceMs(1100);
        const NotificationWindow* notice = m_resident->ringer().missedWindow();
        EXPECT_EQ(notice != nullptr && notice->isVisible(), !row.rung) << row.name;
        EXPECT_EQ(m_resident->alarmSounding(), row.rung) << row.name;
        m_resident->ringer().stopAction();
        if (notice != nullptr) {
            m_resident->ringer().missedWindow()->hide();
        }
    }
}

} // namespace
} // namespace kvx
