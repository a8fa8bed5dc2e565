#pragma once

#include "platform/TrayIcon.h"

#include <QObject>

#ifndef Q_MOC_RUN
#include "core/Records.h"
#include "platform/Clock.h"
#include "resident/SoundController.h"
#endif

#include <memory>
#include <optional>
#include <vector>

namespace kvx {

class NotificationWindow;

// A bell that would have rung while the machine slept.
struct MissedAlarm {
    int alarmIndex = -1;
    OleDate at;
};

// Rings a fired alarm: fills and shows the notification window, plays the sound
// at the alarm's volumes, blinks and repeats on the ringing tick, and ends it all
// on the stop action ("OK", the close box, or a left click on the tray icon).
class AlarmRinger final : public QObject, public SoundingState {
    Q_OBJECT

public:
    AlarmRinger(const AlarmTable& table, Clock& clock, SoundController& sound, QObject* parent = nullptr);
    ~AlarmRinger() override;

    void fire(int index, bool mainBell);
    void ringingTick();
    void stopAction();
    // A left click on the icon stops the alarm half a second later, unless a
    // double click's open action cancels it first.
    void armDelayedStop();
    void cancelDelayedStop();
    // The exit sequence: a sound still ringing ends and the volumes come back.
    void shutDown();

    NotificationWindow& notificationWindow();
    // Builds the notification window and its native window ahead of a bell,
    // so that the ring only fills and shows it.
    void prepareWindow();
    // Tells of bells passed while the machine slept, without a sound, in a
    // window of its own: one alarm in its own appearance, several as a list.
    void showMissed(const std::vector<MissedAlarm>& missed);
    NotificationWindow* missedWindow() const { return m_missed.get(); }

    // The alarm the window shows, as it was when it fired; nothing before the
    // first fire. The snooze copies it, even after the ringing has ended.
    const std::optional<AlarmRecord>& shownAlarm() const { return m_shownAlarm; }

    bool alarmSounding() const override { return m_alarmSounding; }
    int ringingIndex() const { return m_ringingIndex; }
    int blinkTicks() const { return m_blinkTicks; }
    bool blinkActive() const { return m_blinkActive; }
    bool stopTimerArmed() const { return m_delayedStop->isActive(); }
    bool ringingTimerActive() const { return m_ringingTick->isActive(); }

signals:
    // A ring's window is shown (its sound starts right after).
    void rang(const kvx::AlarmRecord& alarm, bool mainBell, const QString& time);
    // Every stop action and the exit: what else tells of the ring can end.
    void stopped();
    // The window's "スヌーズ" with the chosen minutes.
    void snoozeRequested(int minutes);

private:
    const AlarmRecord* ringingAlarm() const;
    void endRinging(bool restoreVolumes);
    void startSound();

    const AlarmTable& m_table;
    Clock& m_clock;
    SoundController& m_sound;
    std::unique_ptr<Timer> m_ringingTick; // `Timer2`
    std::unique_ptr<Timer> m_delayedStop; // `Timer3`: after a left click on the icon
    std::unique_ptr<Timer> m_soundStart; // the fired alarm's sound, once the window is on its way
    std::unique_ptr<NotificationWindow> m_window; // `Form2`
    std::unique_ptr<NotificationWindow> m_missed;
    std::optional<AlarmRecord> m_shownAlarm;

    int m_ringingIndex = -1;
    int m_blinkTicks = 0;
    int m_soundKind = SoundController::kNoSound;
    bool m_alarmSounding = false;
    bool m_stopRequested = false;
    bool m_blinkActive = false;
    bool m_keepWindow = false;
};

} // namespace kvx
