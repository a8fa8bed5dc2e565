#include "ResidentFixture.h"
#include "resident/NotificationWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace kvx {
namespace {

// Counts the times the notification window is hidden while the clock runs.
class VisibilityRecorder : public QObject {
public:
    explicit VisibilityRecorder(QWidget* window) { window->installEventFilter(this); }
    int hides = 0;
    int shows = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Hide) {
            ++hides;
        } else if (event->type() == QEvent::Show) {
            ++shows;
        }
        return false;
    }
};

TEST_F(ResidentTest, MainBellFillsTheWindowAndRaisesTheVolumes)
{
    start();
    AlarmRecord alarm = dailyAlarm(7, 30);
    alarm.textColor = 0x0000FF; // red
    alarm.backColor = 0xFFFF00; // cyan
    alarm.fontBold = -1;
    const int index = addAlarm(alarm);
    advanceTo(7, 30, 0, 100);

    NotificationWindow& window = m_resident->ringer().notificationWindow();
    EXPECT_EQ(m_resident->ringer().ringingIndex(), index);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kalvendorix (アラーム)"));
    EXPECT_EQ(window.message()->text(), QStringLiteral("会議の時間です"));
    EXPECT_EQ(window.message()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(window.message()->palette().color(QPalette::Window), QColor(0, 255, 255));
    EXPECT_TRUE(window.message()->font().bold());
    EXPECT_EQ(window.banner()->text(), QStringLiteral("■本鈴■"));
    EXPECT_EQ(window.banner()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_EQ(window.banner()->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(window.timeBox()->text(), QStringLiteral("07:30"));
    EXPECT_TRUE(window.okButton()->isEnabled());
    EXPECT_EQ(m_log,
        QStringList({"setVolume Midi 0 4294967295", "setMuted Midi 0 false", "setVolume Wave 0 2147516416",
            "setMuted Wave 0 false", "open /sounds/bell.mp3", "play"}));
    EXPECT_EQ(m_tables.alarms.alarms[0].lastAlarm.formatDateTime(), "2026/12/08 07:30");
}

// A first start, no wave device chosen yet: the start-up asks the sound server
// for no device list, and the first ring, with no window opened before, still
// shows its window and plays on the MIDI device alone.
TEST_F(ResidentTest, FirstRingWithoutAChosenWaveDeviceReadsNoWaveList)
{
    writeMain("WAVENM", "");
    start();
    EXPECT_EQ(m_volumes.listReads(Kind::Wave), 0);
    addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 100);

    EXPECT_TRUE(m_resident->ringer().notificationWindow().isVisible());
    EXPECT_EQ(m_log,
        QStringList(
            {"setVolume Midi 0 4294967295", "setMuted Midi 0 false", "open /sounds/bell.mp3", "play"}));
    EXPECT_EQ(m_volumes.listReads(Kind::Wave), 0);
    m_resident->exitSequence();
    EXPECT_EQ(m_volumes.listReads(Kind::Wave), 0) << "nothing to restore on a device never chosen";
}

// The window and the desktop's notice go out first; the sound, whose opening
// may take a while, right after. A stop before it began plays nothing.
TEST_F(ResidentTest, TheSoundFollowsTheWindowAndAStopBeforeItPlaysNothing)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 5);
    ASSERT_TRUE(m_resident->ringer().notificationWindow().isVisible());
    ASSERT_EQ(m_notifier.sent().size(), 1U);
    EXPECT_FALSE(m_log.contains(QStringLiteral("open /sounds/bell.mp3")));
    m_resident->ringer().stopAction();
    m_clock.advanceMs(2000);
    EXPECT_FALSE(m_log.contains(QStringLiteral("open /sounds/bell.mp3"))) << m_log.join(", ").toStdString();
    EXPECT_FALSE(m_resident->alarmSounding());
    EXPECT_FALSE(m_resident->ringer().ringingTimerActive());
}

// A bell a few seconds after the start finds the sound's set-up to make: the
// set-up's time does not make the bell late, which rings on its own second.
TEST_F(ResidentTest, ASlowSetUpRightBeforeTheFirstBellDoesNotDelayIt)
{
    m_media.setUnprepared();
    m_media.onPrepare = [this] { m_clock.setNow(m_clock.now().addMSecs(1200)); };
    m_clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 55)));
    SharedTables saved;
    saved.alarms.add(dailyAlarm(7, 30));
    ASSERT_TRUE(DataFile().save(saved, m_settings.defaultDataPath(), OleDate()));
    start();
    advanceTo(7, 30, 0, 900);
    EXPECT_TRUE(m_resident->alarmSounding());
    EXPECT_EQ(m_tables.alarms.alarms[0].lastAlarm, OleDate::fromCivil(2026, 12, 8, 7, 30, 0));
}

// The media channel's set-up is not made at start-up but a little before the
// first bell, so that the bell's sound does not wait for it.
TEST_F(ResidentTest, MediaIsPreparedShortlyBeforeTheFirstBellNotAtStart)
{
    m_media.setUnprepared();
    start();
    addAlarm(dailyAlarm(8, 0));
    advanceTo(7, 59, 49);
    EXPECT_FALSE(m_log.contains(QStringLiteral("prepare"))) << m_log.join(", ").toStdString();
    EXPECT_EQ(m_notifier.prepareCount(), 0);
    advanceTo(7, 59, 51);
    EXPECT_EQ(m_log, QStringList({"prepare"}));
    EXPECT_EQ(m_notifier.prepareCount(), 1) << "the notification server is asked what it needs ahead";
    advanceTo(8, 0, 0, 100);
    EXPECT_TRUE(m_resident->ringer().notificationWindow().isVisible());
    EXPECT_EQ(m_log.mid(m_log.size() - 2), QStringList({"open /sounds/bell.mp3", "play"}));
    EXPECT_EQ(m_log.count(QStringLiteral("prepare")), 1);
}

TEST_F(ResidentTest, PreAlarmShowsAnEmptyBannerInTheAlarmsBackground)
{
    start();
    AlarmRecord alarm = dailyAlarm(8, 0);
    alarm.preMode = 1;
    alarm.preMinutes = 10;
    alarm.backColor = 0x00FF00;
    addAlarm(alarm);
    advanceTo(7, 50, 0, 100);
    NotificationWindow& window = m_resident->ringer().notificationWindow();
    ASSERT_EQ(m_resident->ringer().ringingIndex(), 0);
    EXPECT_TRUE(window.banner()->text().isEmpty());
    EXPECT_EQ(window.banner()->palette().color(QPalette::Window), QColor(0, 255, 0));
    m_resident->ringer().stopAction();
    advanceTo(8, 0, 30);
    EXPECT_EQ(m_resident->ringer().ringingIndex(), -1) << "pre-alarm only: no main bell";
}

TEST_F(ResidentTest, BlinkingHidesTheWindowBlinkCountTimes)
{
    struct Row {
        const char* name;
        int blinkCount;
        bool keepWindow;
        bool visibleAtEnd;
    };
    const Row rows[] = {
        {"three blinks, then hidden", 3, false, false},
        {"three blinks, then kept in front", 3, true, true},
        {"no blinks: straight to the end rule", 0, true, true},
    };
    for (const Row& row : rows) {
        clearAlarms();
        start();
        AlarmRecord alarm = dailyAlarm(7, 30);
        alarm.blink = 1;
        alarm.blinkCount = static_cast<std::int16_t>(row.blinkCount);
        alarm.keepWindow = row.keepWindow ? 1 : 0;
        alarm.sound = 0;
        addAlarm(alarm);
        advanceTo(7, 30, 0, 100);
        NotificationWindow& window = m_resident->ringer().notificationWindow();
        ASSERT_TRUE(window.isVisible()) << row.name;
        VisibilityRecorder recorder(&window);
        m_clock.advanceMs(2 * 1000 * (row.blinkCount + 2));
        // The last blink's hide is final unless the window is kept.
        EXPECT_EQ(recorder.hides, row.blinkCount) << row.name;
        EXPECT_EQ(window.isVisible(), row.visibleAtEnd) << row.name;
        EXPECT_EQ(m_resident->ringer().blinkTicks(), row.blinkCount) << row.name;
        m_resident->ringer().stopAction();
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 50)));
    }
}

// "OK" on an alarm without a sound ends its ringing for good: nothing that
// happens to the table afterwards brings the window back, and the volumes
// the user set since the ring stay as they are.
TEST_F(ResidentTest, AStoppedSoundlessAlarmStaysStoppedAndLeavesTheVolumes)
{
    struct Row {
        const char* name;
        std::function<void(AlarmStore&)> change;
    };
    const Row rows[] = {
        {"an earlier alarm deleted", [](AlarmStore& store) { store.removeAlarms({0}); }},
        {"its blink count raised",
            [](AlarmStore& store) {
                AlarmRecord raised = store.alarms().alarms[1];
                raised.blinkCount = 30;
                store.changeAlarm(1, raised);
            }},
    };
    for (const Row& row : rows) {
        clearAlarms();
        start();
        addAlarm(dailyAlarm(9, 0));
        AlarmRecord blinking = dailyAlarm(7, 30);
        blinking.sound = 0;
        blinking.blink = 1;
        blinking.blinkCount = 3;
        addAlarm(blinking);
        AlarmRecord later = blinking;
        later.blinkCount = 30;
        later.startTime = OleDate::fromCivil(2026, 12, 1, 10, 0);
        addAlarm(later);
        advanceTo(7, 30, 0, 100);
        NotificationWindow& window = m_resident->ringer().notificationWindow();
        ASSERT_TRUE(window.isVisible()) << row.name;
        m_volumes.setVolume(Kind::Wave, 0, 0x12341234U);
        window.okButton()->click();
        EXPECT_FALSE(m_resident->alarmSounding()) << row.name;
        EXPECT_EQ(wave(0).volume, 0x12341234U) << row.name << ": the user's volume stays";
        row.change(m_store);
        VisibilityRecorder recorder(&window);
        m_clock.advanceMs(5000);
        EXPECT_EQ(recorder.shows, 0) << row.name;
        EXPECT_FALSE(window.isVisible()) << row.name;
        EXPECT_FALSE(m_resident->ringer().ringingTimerActive()) << row.name;
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 50)));
    }
}

TEST_F(ResidentTest, EndlessSoundRestartsFromTheBeginning)
{
    start();
    AlarmRecord alarm = dailyAlarm(7, 30);
    alarm.endless = 1;
    addAlarm(alarm);
    advanceTo(7, 30, 0, 100);
    m_log.clear();
    m_media.endPlayback();
    m_clock.advanceSecond();
    EXPECT_EQ(m_log, QStringList({"play from 0"}));
    EXPECT_EQ(m_media.status(), MediaStatus::Playing);
    EXPECT_TRUE(m_resident->alarmSounding());
}

TEST_F(ResidentTest, SoundThatEndsClosesAndRingingEndsAfterTheBlinks)
{
    start();
    AlarmRecord alarm = dailyAlarm(7, 30);
    alarm.blinkCount = 0;
    addAlarm(alarm);
    advanceTo(7, 30, 0, 100);
    m_media.endPlayback();
    m_log.clear();
    m_clock.advanceSecond();
    EXPECT_EQ(m_log.first(), QStringLiteral("close"));
    EXPECT_FALSE(m_resident->alarmSounding());
    EXPECT_EQ(m_resident->ringer().ringingIndex(), -1);
    EXPECT_FALSE(m_resident->ringer().ringingTimerActive());
    EXPECT_EQ(wave(0).volume, kSavedWave);
    EXPECT_TRUE(wave(0).muted);
}

TEST_F(ResidentTest, StopActionsEndSoundAndBlinkingAndRestoreVolumes)
{
    enum class How { OkButton, CloseBox, IconClick };
    struct Row {
        const char* name;
        How how;
    };
    const Row rows[]
        = {{"OK", How::OkButton}, {"close box", How::CloseBox}, {"left click on the icon", How::IconClick}};
    for (const Row& row : rows) {
        clearAlarms();
        m_media.close();
        start();
        AlarmRecord alarm = dailyAlarm(7, 30);
        alarm.blink = 1;
        alarm.blinkCount = 10;
        addAlarm(alarm);
        advanceTo(7, 30, 0, 100);
        NotificationWindow& window = m_resident->ringer().notificationWindow();
        ASSERT_TRUE(m_resident->alarmSounding()) << row.name;
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
            m_clock.advanceMs(400);
            EXPECT_TRUE(m_resident->alarmSounding()) << row.name << ": stops only after 500 ms";
            m_clock.advanceMs(200);
            break;
        }
        EXPECT_FALSE(m_resident->alarmSounding()) << row.name;
        EXPECT_FALSE(window.isVisible()) << row.name;
        EXPECT_EQ(m_log.mid(0, 2), QStringList({"stop", "close"})) << row.name;
        EXPECT_EQ(wave(0).volume, kSavedWave) << row.name;
        EXPECT_TRUE(wave(0).muted) << row.name;
        m_clock.advanceMs(3000);
        EXPECT_FALSE(window.isVisible()) << row.name << ": blinking has ended";
        EXPECT_EQ(m_resident->ringer().ringingIndex(), -1) << row.name;
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 50)));
    }
}

TEST_F(ResidentTest, KeyPressRightAfterShowingDoesNotStopTheAlarm)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 100);
    NotificationWindow& window = m_resident->ringer().notificationWindow();
    EXPECT_EQ(
        QApplication::focusWidget() == nullptr || QApplication::focusWidget() == window.focusButton(), true);
    QTest::keyClick(window.focusButton(), Qt::Key_Return);
    QTest::keyClick(window.focusButton(), Qt::Key_Space);
    EXPECT_TRUE(m_resident->alarmSounding());
}

TEST_F(ResidentTest, NewAlarmTakesOverTheRingingOne)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    AlarmRecord second = dailyAlarm(7, 30);
    second.message = "二件目";
    second.soundFile = "/sounds/second.wav";
    addAlarm(second);
    advanceTo(7, 30, 0, 100);
    EXPECT_EQ(m_resident->ringer().ringingIndex(), 0);
    m_log.clear();
    m_clock.advanceSecond();
    EXPECT_EQ(m_resident->ringer().ringingIndex(), 1);
    EXPECT_EQ(m_resident->ringer().notificationWindow().message()->text(), QStringLiteral("二件目"));
    EXPECT_EQ(m_log.mid(0, 2), QStringList({"stop", "close"}));
    EXPECT_TRUE(m_log.contains("open /sounds/second.wav"));
}

TEST_F(ResidentTest, RefusedWaveFilePlaysThroughTheFallback)
{
    struct Row {
        const char* name;
        const char* file;
        bool fallback;
    };
    const Row rows[] = {
        {"upper-case extension", "/sounds/BELL.WAV", true},
        {"lower-case", "/sounds/bell.wav", true},
        {"trailing blank is not a wave name", "/sounds/bell.wav ", false},
        {"mp3 stays silent", "/sounds/bell.mp3", false},
    };
    for (const Row& row : rows) {
        clearAlarms();
        start();
        AlarmRecord alarm = dailyAlarm(7, 30);
        alarm.soundFile = row.file;
        m_media.setUnplayable(QString::fromUtf8(row.file));
        addAlarm(alarm);
        advanceTo(7, 30, 0, 100);
        EXPECT_EQ(m_log.contains(QStringLiteral("wave play ") + QString::fromUtf8(row.file)), row.fallback)
            << row.name;
        EXPECT_TRUE(m_resident->ringer().notificationWindow().isVisible()) << row.name;
        m_log.clear();
        m_resident->ringer().stopAction();
        EXPECT_EQ(m_log.contains(QStringLiteral("wave stop")), row.fallback) << row.name;
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(7, 29, 50)));
    }
}

TEST_F(ResidentTest, TooltipCountsDownToTheNextBell)
{
    struct Row {
        const char* name;
        QTime now;
        int alarmHour, alarmMinute, preMinutes;
        const char* tip;
    };
    const Row rows[] = {
        {"hours minutes seconds", QTime(13, 24, 57), 14, 30, 0, "あと1時間5分3秒 本日14:30"},
        {"exactly two hours", QTime(12, 30, 0), 14, 30, 0, "あと2時間 本日14:30"},
        {"tomorrow", QTime(22, 0, 0), 7, 0, 0, "あと9時間 明日07:00"},
        {"pre-alarm counts", QTime(6, 0, 0), 8, 0, 10, "あと1時間50分 本日07:50"},
    };
    // The tip is exact when the tables change, and then at each minute's start.
    for (const Row& row : rows) {
        clearAlarms();
        m_clock.setNow(QDateTime(QDate(2026, 12, 8), row.now));
        writeMain("STARTFLG", "0"); // a clean exit before, so the start gate does not wait
        start();
        AlarmRecord alarm = dailyAlarm(row.alarmHour, row.alarmMinute);
        if (row.preMinutes > 0) {
            alarm.preMode = 2;
            alarm.preMinutes = static_cast<std::int16_t>(row.preMinutes);
        }
        addAlarm(alarm);
        EXPECT_EQ(m_tray.toolTip(), QString::fromUtf8(row.tip)) << row.name;
    }
    // Between minute starts neither the tip nor the icon is set again.
    const int tips = m_tray.toolTipCount();
    const int icons = m_tray.modifyCount();
    m_clock.advanceMs(59 * 1000);
    EXPECT_EQ(m_tray.toolTipCount(), tips);
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("あと1時間50分 本日07:50"));
    m_clock.advanceMs(1005);
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("あと1時間49分 本日07:50"));
    EXPECT_EQ(m_tray.toolTipCount(), tips + 1);
    EXPECT_EQ(m_tray.modifyCount(), icons);
}

// A host may read the tip at any moment: it names the next bell from the
// start, before the tick first wakes.
TEST_F(ResidentTest, TheTooltipNamesTheNextBellFromTheStart)
{
    SharedTables saved;
    saved.alarms.add(dailyAlarm(12, 0));
    ASSERT_TRUE(DataFile().save(saved, m_settings.defaultDataPath(), OleDate()));
    start();
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("あと4時間30分10秒 本日12:00"));
}

TEST_F(ResidentTest, TooltipKeepsItsTextWithoutAlarmsAndSaysSoFarAhead)
{
    start();
    m_clock.advanceSecond();
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("Kalvendorix"));
    AlarmRecord alarm = dailyAlarm(7, 30);
    alarm.kind = kKindOnce;
    alarm.startTime = OleDate::fromCivil(2026, 12, 9, 7, 35);
    addAlarm(alarm);
    m_clock.advanceSecond();
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("２４時間中のアラームはありません"));
}

} // namespace
} // namespace kvx
