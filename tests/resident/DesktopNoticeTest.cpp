#include "ResidentFixture.h"
#include "resident/NotificationWindow.h"

#include <QPushButton>
#include <QTest>

namespace kvx {
namespace {

using Urgency = DesktopNotifier::Urgency;

TEST_F(ResidentTest, EachBellSendsOneNoticeWithItsMessage)
{
    struct Row {
        const char* name;
        std::int16_t preMode;
        QTime at;
        QString summary;
        Urgency urgency;
    };
    const Row rows[] = {
        {"pre-alarm", 1, QTime(7, 30), QStringLiteral("Kalvendorix (アラーム) 予鈴 07:30"), Urgency::Normal},
        {"main bell", 0, QTime(7, 40), QStringLiteral("Kalvendorix (アラーム) 本鈴 07:40"),
            Urgency::Critical},
    };
    start();
    for (const Row& row : rows) {
        clearAlarms();
        AlarmRecord alarm = dailyAlarm(7, 40);
        alarm.preMode = row.preMode;
        alarm.preMinutes = 10;
        alarm.message = "会議の時間です\r\n三階 & <会議室>";
        addAlarm(alarm);
        const std::size_t before = m_notifier.sent().size();
        advanceTo(row.at.hour(), row.at.minute(), 0, 100);
        ASSERT_EQ(m_notifier.sent().size(), before + 1) << row.name;
        const DesktopNotifier::Notice& notice = m_notifier.sent().back().notice;
        EXPECT_EQ(notice.summary, row.summary) << row.name;
        EXPECT_EQ(notice.body, QStringLiteral("会議の時間です\n三階 & <会議室>")) << row.name;
        EXPECT_EQ(notice.urgency, row.urgency) << row.name;
        ASSERT_EQ(notice.actions.size(), 2U) << row.name;
        EXPECT_EQ(notice.actions[0].label, QStringLiteral("止める")) << row.name;
        EXPECT_EQ(notice.actions[1].label, QStringLiteral("５分後にもう一度")) << row.name;
        m_clock.advanceSecond();
        EXPECT_EQ(m_notifier.sent().size(), before + 1) << row.name << ": one notice per ring";
        m_resident->ringer().stopAction();
    }
}

// However the ring ends, its notice goes with it; the notice's action ends it
// as "OK" does.
TEST_F(ResidentTest, EveryWayOfStoppingClosesTheNotice)
{
    enum class How { OkButton, CloseBox, IconClick, NoticeAction, NextAlarm, Exit };
    struct Row {
        const char* name;
        How how;
    };
    const Row rows[] = {{"OK", How::OkButton}, {"close box", How::CloseBox}, {"icon click", How::IconClick},
        {"the notice's action", How::NoticeAction}, {"a new ring", How::NextAlarm},
        // Last: the service does not start again after its exit.
        {"exit", How::Exit}};
    for (const Row& row : rows) {
        clearAlarms();
        m_notifier.clear();
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 50)));
        start();
        addAlarm(dailyAlarm(7, 30));
        AlarmRecord second = dailyAlarm(7, 30);
        second.message = "二件目";
        if (row.how == How::NextAlarm) {
            addAlarm(second);
        }
        advanceTo(7, 30, 0, 100);
        ASSERT_EQ(m_notifier.openCount(), 1) << row.name;
        const DesktopNotifier::Handle first = m_notifier.sent().back().handle;
        NotificationWindow& window = m_resident->ringer().notificationWindow();
        m_log.clear();
        switch (row.how) {
        case How::OkButton:
            QTest::mouseClick(window.okButton(), Qt::LeftButton);
            break;
        case How::CloseBox:
            window.close();
            break;
        case How::IconClick:
            m_tray.trigger(TrayIcon::Action::LeftButtonDown);
            m_clock.advanceMs(600);
            break;
        case How::NoticeAction:
            m_notifier.invoke(first, QStringLiteral("stop"));
            break;
        case How::NextAlarm:
            m_clock.advanceSecond();
            break;
        case How::Exit:
            m_resident->exitSequence();
            break;
        }
        EXPECT_FALSE(m_notifier.sent().front().open) << row.name;
        if (row.how == How::NextAlarm) {
            EXPECT_TRUE(m_resident->alarmSounding()) << row.name;
            ASSERT_EQ(m_notifier.sent().size(), 2U) << row.name;
            EXPECT_TRUE(m_notifier.sent().back().open) << row.name;
            EXPECT_EQ(m_notifier.sent().back().notice.body, QStringLiteral("二件目")) << row.name;
            // The replaced notice's action no longer stops anything.
            m_notifier.invoke(first, QStringLiteral("stop"));
            EXPECT_TRUE(m_resident->alarmSounding()) << row.name;
        } else {
            EXPECT_FALSE(m_resident->alarmSounding()) << row.name;
            EXPECT_FALSE(window.isVisible()) << row.name;
            EXPECT_EQ(m_log.mid(0, 2), QStringList({"stop", "close"})) << row.name;
        }
    }
}

TEST_F(ResidentTest, NoticeActionStopsOnlyWithItsOwnKey)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 100);
    ASSERT_EQ(m_notifier.sent().size(), 1U);
    m_notifier.invoke(m_notifier.sent()[0].handle, QStringLiteral("default"));
    EXPECT_TRUE(m_resident->alarmSounding());
    // Dismissed on the desktop: the alarm rings on, and nothing is closed twice.
    m_notifier.dismiss(m_notifier.sent()[0].handle);
    EXPECT_TRUE(m_resident->alarmSounding());
    m_resident->ringer().stopAction();
    EXPECT_EQ(m_notifier.closeCount(), 0);
}

TEST_F(ResidentTest, NoticesOffTheAlarmRingsWithoutOne)
{
    start();
    m_store.window().desktopNotify = 0;
    addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 100);
    EXPECT_TRUE(m_resident->alarmSounding());
    EXPECT_TRUE(m_resident->ringer().notificationWindow().isVisible());
    EXPECT_TRUE(m_notifier.sent().empty());
}

} // namespace
} // namespace kvx
