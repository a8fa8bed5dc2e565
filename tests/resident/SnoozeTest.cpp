#include "ResidentFixture.h"
#include "resident/NotificationWindow.h"

#include <QAccessible>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace kvx {
namespace {

class SnoozeTest : public ResidentTest {
protected:
    // A daily 07:30 alarm with its own look, ringing from 07:30:00; the clock
    // then stands at 07:30:12.
    NotificationWindow& ringAt0730()
    {
        AlarmRecord alarm = dailyAlarm(7, 30);
        alarm.message = "会議の時間です\r\n三階";
        alarm.blink = 1;
        alarm.endless = 1;
        alarm.keepWindow = 1;
        alarm.textColor = 0x0000FF;
        alarm.backColor = 0xFFFF00;
        alarm.fontName = "IPAGothic";
        alarm.fontSize = 18;
        addAlarm(alarm);
        advanceTo(7, 30, 0, 100);
        advanceTo(7, 30, 12);
        return m_resident->ringer().notificationWindow();
    }

    void choose(NotificationWindow& window, const QString& minutes)
    {
        QComboBox* choice = window.snoozeChoice();
        choice->setCurrentIndex(choice->findText(minutes));
    }

    SharedTables savedTables()
    {
        SharedTables saved;
        DataFile file;
        EXPECT_TRUE(file.load(saved, m_settings.dataPath(), LoadContext{}));
        return saved;
    }
};

TEST_F(SnoozeTest, PutsTheRingOffAndRingsAgainWithTheAlarmsFields)
{
    writeMain("SNOOZETIME", "10");
    start();
    NotificationWindow& window = ringAt0730();
    ASSERT_TRUE(window.isVisible());
    auto* snooze = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    ASSERT_NE(snooze, nullptr);
    EXPECT_EQ(snooze->text(), QStringLiteral("スヌーズ"));
    EXPECT_EQ(snooze->accessibleName(), QStringLiteral("スヌーズ（10分）")) << "read with its minutes";
    // Read as an alert that says the alarm; the focus-taker names it, never "Command2".
    QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->role(), QAccessible::AlertMessage);
    EXPECT_TRUE(alert->text(QAccessible::Name).startsWith(QStringLiteral("本鈴 07:30")))
        << alert->text(QAccessible::Name).toStdString();
    EXPECT_TRUE(alert->text(QAccessible::Name).endsWith(QStringLiteral("会議の時間です")));
    EXPECT_EQ(alert->text(QAccessible::Description), QStringLiteral("会議の時間です\n三階"));
    EXPECT_EQ(window.focusButton()->accessibleName(), QStringLiteral("アラーム：会議の時間です"));
    EXPECT_EQ(window.okButton()->accessibleName(), QStringLiteral("止める"));
    EXPECT_TRUE(snooze->isEnabled());
    EXPECT_EQ(window.snoozeChoice()->currentText(), QStringLiteral("10分")) << "the remembered choice";
    EXPECT_EQ(QApplication::focusWidget() == snooze, false) << "the focus stays on the harmless button";

    choose(window, QStringLiteral("3分"));
    QTest::mouseClick(snooze, Qt::LeftButton);

    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(m_resident->alarmSounding());
    EXPECT_TRUE(m_log.contains(QStringLiteral("stop"))) << m_log.join(QLatin1Char(' ')).toStdString();
    ASSERT_EQ(m_tables.alarms.alarmCount, 2) << "exactly one quick timer";
    const AlarmRecord& rung = m_tables.alarms.alarms[0];
    const AlarmRecord& again = m_tables.alarms.alarms[1];
    EXPECT_EQ(again.kind, kKindQuick);
    EXPECT_EQ(
        again.startTime.formatDateTime() + again.startTime.formatTimeSeconds(), "2026/12/08 07:3307:33:12");
    for (const auto& [field, same] : {std::pair{"message", again.message == rung.message},
             std::pair{"sound", again.sound == rung.sound && again.soundFile == rung.soundFile},
             std::pair{"volumes", again.midiVolume == rung.midiVolume && again.waveVolume == rung.waveVolume},
             std::pair{"blinking", again.blink == rung.blink && again.blinkCount == rung.blinkCount},
             std::pair{"look",
                 again.textColor == rung.textColor && again.backColor == rung.backColor
                     && again.fontName == rung.fontName && again.fontSize == rung.fontSize}}) {
        EXPECT_TRUE(same) << field;
    }
    // Saved at once: the file holds the timer, the settings the choice.
    const SharedTables saved = savedTables();
    ASSERT_EQ(saved.alarms.alarmCount, 2);
    EXPECT_EQ(saved.alarms.alarms[1], again);
    EXPECT_EQ(readMain("SNOOZETIME"), "3");
    EXPECT_TRUE(m_prompter.messages().isEmpty());

    advanceTo(7, 33, 11);
    EXPECT_FALSE(window.isVisible());
    advanceTo(7, 33, 12, 100);
    EXPECT_EQ(m_resident->ringer().ringingIndex(), 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.snoozeChoice()->currentText(), QStringLiteral("3分"));
}

TEST_F(SnoozeTest, AFailedSaveIsToldAndTheTimerKept)
{
    QTemporaryDir elsewhere;
    writeMain("DATAPATH", elsewhere.path().toStdString() + "/mine.dat");
    start();
    NotificationWindow& window = ringAt0730();
    // The folder of the data file went away (an unmounted drive).
    ASSERT_TRUE(elsewhere.remove());

    QTest::mouseClick(window.snoozeButton(), Qt::LeftButton);

    ASSERT_EQ(m_prompter.messages().size(), 1);
    EXPECT_EQ(m_prompter.messages().front().split(QLatin1Char('\n')).front(),
        QStringLiteral("データファイルを保存できませんでした。"));
    EXPECT_EQ(m_tables.alarms.alarmCount, 2) << "nothing is dropped";
    EXPECT_TRUE(m_store.modified()) << "the unsaved timer is a change the windows must not drop";
    advanceTo(7, 35, 12, 100);
    EXPECT_EQ(m_resident->ringer().ringingIndex(), 1) << "the kept timer rings";
}

TEST_F(SnoozeTest, NothingToPutOffInThePreviewOrTheMissedNotice)
{
    NotificationWindow preview;
    preview.showPreview(NotificationWindow::Appearance{}, QStringLiteral("09:05"));
    EXPECT_FALSE(preview.snoozeButton()->isEnabled());
    EXPECT_TRUE(preview.okButton()->isEnabled());

    start();
    ringAt0730();
    m_resident->ringer().stopAction();
    m_resident->ringer().showMissed({{0, OleDate::fromCivil(2026, 12, 8, 7, 30)}});
    ASSERT_NE(m_resident->ringer().missedWindow(), nullptr);
    EXPECT_FALSE(m_resident->ringer().missedWindow()->snoozeButton()->isEnabled());
}

// The desktop notice offers the remembered minutes; its action is the window's
// スヌーズ with those minutes.
TEST_F(SnoozeTest, TheNoticesSecondActionPutsTheAlarmOffByTheRememberedMinutes)
{
    writeMain("SNOOZETIME", "15");
    start();
    NotificationWindow& window = ringAt0730();
    ASSERT_EQ(m_notifier.sent().size(), 1U);
    const DesktopNotifier::Notice& notice = m_notifier.sent()[0].notice;
    ASSERT_EQ(notice.actions.size(), 2U);
    EXPECT_EQ(notice.actions[1].label, QStringLiteral("１５分後にもう一度"));

    m_notifier.invoke(m_notifier.sent()[0].handle, notice.actions[1].key);

    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(m_resident->alarmSounding());
    EXPECT_FALSE(m_notifier.sent()[0].open);
    ASSERT_EQ(m_tables.alarms.alarmCount, 2) << "exactly one quick timer";
    const AlarmRecord& again = m_tables.alarms.alarms[1];
    EXPECT_EQ(again.kind, kKindQuick);
    EXPECT_EQ(again.startTime.formatTimeSeconds(), "07:45:12");
    EXPECT_EQ(savedTables().alarms.alarmCount, 2) << "saved at once";
}

} // namespace
} // namespace kvx
