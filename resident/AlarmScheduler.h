#pragma once

#include <QObject>
#include <QString>

#ifndef Q_MOC_RUN
#include "platform/Clock.h"
#include "platform/QtLocalTime.h"
#include "resident/ResidentServices.h"
#include "schedule/FiringDecision.h"
#endif

#include <memory>
#include <optional>

namespace kvx {

class AlarmRinger;
class AlarmStore;
class SoundController;

// The alarm tick (`Timer1`) and the icon's tooltip. The tick sleeps until the
// next second at which a bell can ring, or the next minute's start while the
// tip counts down to a bell; it looks again whenever the tables change or the
// wall clock jumps, and after a sleep of the machine it tells of the bells
// that passed meanwhile. What the first ring needs is made shortly before it.
class AlarmScheduler : public QObject {
    Q_OBJECT

public:
    AlarmScheduler(AlarmStore& store, AlarmRinger& ringer, SoundController& sound, ResidentServices& services,
        QObject* parent = nullptr);
    ~AlarmScheduler() override;

    // From the first load on, until the exit.
    void start();
    void stop();
    // Paused, nothing rings and the icon says so.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    // A sleeping computer woken for each next bell, or not; why it cannot be, when it cannot.
    std::optional<QString> setWakeUp(bool on);
    // The tip tells the next bell of the tables as they are now, and the tick
    // waits for it.
    void restart();
    // One tick: fires at most one due alarm and refreshes the tooltip.
    void alarmTick();

    // The tooltip's text, counted from now.
    QString toolTipNow();

    bool timerActive() const;
    // How often the tick has woken, for the measurements of idle cost.
    int tickCount() const { return m_ticks; }

signals:
    // The tick woke at `now`, whatever it found.
    void woke(OleDate now);
    // The wake helper ended and could not be started again: waking is off, and why.
    void wakeUpLost(const QString& why);

private:
    void armAlarmTick();
    bool prepareFirstRing();
    void refreshToolTip(OleDate now);
    void wallClockChanged(bool resumed);
    void wakeHelperEnded();
    void restartWakeHelper();
    void tellMissedAlarms(OleDate from, OleDate until);
    bool stillRings(const Firing& firing, OleDate now) const;

    AlarmStore& m_store;
    AlarmRinger& m_ringer;
    SoundController& m_sound;
    ResidentServices& m_services;
    std::unique_ptr<Timer> m_alarmTick;
    QtLocalTime m_local; // this computer's zone, its changes of the clocks
    // A wake helper that ended by itself is started again, a few times, spaced out.
    std::unique_ptr<Timer> m_wakeRetry;
    int m_wakeRestarts = 0;
    bool m_running = false;
    bool m_paused = false;
    bool m_firstRingPrepared = false;
    QString m_toolTip;
    // The bell the tip counts down to; zero when it counts down to none.
    OleDate m_nextRingAt;
    // When the tick last looked at the table.
    OleDate m_lastCheck;
    int m_ticks = 0;
};

} // namespace kvx
