#pragma once

#include "core/DataFile.h"
#include "core/Records.h"
#include "core/SaveRoutine.h"
#include "core/Settings.h"
#include "resident/AlarmRinger.h"
#include "resident/DesktopAlarmNotice.h"
#include "resident/ResidentServices.h"
#include "resident/SoundController.h"
#include "schedule/FiringDecision.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace kvx {

class AboutBox;

// The resident service (`Form3`): the start gate, the notification-area icon and
// its menu, the alarm tick that fires alarms, the ringing tick, the stop action
// and the exit sequence. It is never shown.
class ResidentWindow : public QObject {
    Q_OBJECT

public:
    ResidentWindow(SharedTables& tables, Settings& settings, DataFile& dataFile, SaveRoutine& saver,
        ResidentServices& services, QObject* parent = nullptr);
    ~ResidentWindow() override;

    // Ended: an end of the session was asked for while the program started; it
    // ends without loading or saving anything.
    // Refused: whether another copy runs could not be told (the lock can be
    // neither taken nor cleared); the user was told why.
    enum class Start { Running, AnotherCopyRuns, Ended, Refused };
    Start startUp();
    // Saves everything and takes the icon away; runs once however often asked.
    // Asked before the data file was loaded, it only undoes what the start-up
    // did so far (icon, running flag, lock) and saves nothing.
    void exitSequence();
    // The exit sequence for an end of the session (a signal, the logout):
    // nobody may be there to answer, so failures go to the standard error
    // instead of a message box that would keep the program from ending.
    void endSession();
    // The menu's "終了": the exit sequence, which may then ask first.
    void exitFromMenu();

    // Tray menu and icon actions.
    void iconEvent(TrayIcon::Action action);
    void openAction();
    void togglePause();
    void registerStartup();
    void removeStartup();
    void showLog();
    void showAbout();
    // The sound device chooser, opened by the editor while no device is chosen;
    // its choice is remembered in both settings files when it closes.
    void chooseSoundDevices(QWidget* parent);
    void adoptSoundDevices(const QString& midiDevice, const QString& waveDevice);

    // Puts the shown alarm off: the ring stops as by "OK", and a quick timer
    // with the alarm's message, sound and look rings again `minutes` from now.
    // The tables are saved at once; a failed save is told and nothing is
    // dropped. The minutes become the snooze's remembered choice. False when
    // no alarm was shown, the table is full, or the save failed.
    bool snooze(int minutes);
    // What becomes of a timer whose save did not reach the data file.
    enum class UnsavedTimer {
        Keep, // it stays in the tables for the next save
        TakeBack, // it is removed again: the tables are as they were
    };
    // Adds a timer made at `now` to the alarms and saves the tables at once;
    // the lists and the alarm tick follow it.
    SaveResult addTimer(const AlarmRecord& timer, OleDate now, UnsavedTimer unsaved = UnsavedTimer::Keep);

    // The alarm tick: fires at most one due alarm and refreshes the tooltip.
    void alarmTick();
    // A window saved the tables: the alarm tick starts over, as after every
    // save, and the tooltip tells the next bell of the saved tables at once.
    void restartAlarmTick();

    QMenu* iconMenu() const { return m_iconMenu.get(); }
    QAction* menuAction(const QString& objectName) const;
    AlarmRinger& ringer() { return m_ringer; }
    AboutBox* aboutBox() const { return m_about.get(); }
    SoundController& sound() { return m_sound; }

    // Service state, read by the editor and the tests.
    bool alarmsPaused() const { return m_alarmsPaused; }
    bool alarmSounding() const { return m_ringer.alarmSounding(); }
    bool exiting() const { return m_exiting; }
    bool exited() const { return m_exited; }
    bool alarmTimerActive() const { return m_timer1->isActive(); }
    // How often the alarm tick has woken, for the measurements of idle cost.
    int alarmTickCount() const { return m_ticks; }

signals:
    // The open action: the main window (the calendar, or the editor) comes up.
    void openMainWindowRequested();
    // An alarm fired and stored its last-ring time: the lists show it anew.
    void alarmListsChanged();
    // The exit sequence has ended; the program may quit.
    void quitRequested();
    // The snooze added its quick timer; `saved` tells whether the tables reached the file.
    void snoozed(bool saved);

private:
    enum class Gate { Pass, AnotherCopyRuns, Ended, Refused };
    Gate startGate();
    void endDuringStartUp();
    void buildMenu();
    void setStartupChecks(bool registered);
    void loadData();
    void tellOpenDataFolders();
    void tellSaveProblems(const SaveResult& result);
    bool endDespiteFailedSave(const SaveResult& saved);
    void tell(const QString& text);
    void armAlarmTick();
    bool prepareFirstRing();
    bool stillRings(const Firing& firing, OleDate now) const;
    void refreshToolTip(OleDate now);
    void wallClockChanged(bool resumed);
    void tellMissedAlarms(OleDate from, OleDate until);

    SharedTables& m_tables;
    Settings& m_settings;
    DataFile& m_dataFile;
    SaveRoutine& m_saver;
    ResidentServices& m_services;
    SoundController m_sound;
    AlarmRinger m_ringer;
    DesktopAlarmNotice m_notice;

    std::unique_ptr<Timer> m_timer1; // alarm tick
    std::unique_ptr<QMenu> m_iconMenu;
    std::unique_ptr<AboutBox> m_about;

    bool m_alarmsPaused = false;
    bool m_exiting = false;
    bool m_exited = false;
    bool m_sessionEnding = false;
    bool m_exitFromMenu = false;
    // How far the start-up has come, for an end that arrives during it.
    bool m_lockHeld = false;
    bool m_flagRaised = false;
    bool m_trayAdded = false;
    bool m_loaded = false;
    bool m_firstRingPrepared = false;
    QString m_toolTip;
    // The bell the tip counts down to; zero when it counts down to none.
    OleDate m_nextRingAt;
    // When the tick last looked at the table.
    OleDate m_lastCheck;
    int m_ticks = 0;
};

} // namespace kvx
