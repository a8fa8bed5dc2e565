#pragma once

#include <QObject>
#include <QString>

#ifndef Q_MOC_RUN
#include "core/Records.h"
#include "core/SaveRoutine.h"
#include "core/Settings.h"
#include "resident/AlarmRinger.h"
#include "resident/AlarmScheduler.h"
#include "resident/DataFileWatch.h"
#include "resident/DesktopAlarmNotice.h"
#include "resident/ResidentServices.h"
#include "resident/SoundController.h"
#include "resident/SoundDevices.h"
#include "resident/StartGate.h"
#include "resident/TrayMenu.h"
#endif

#include <memory>
#include <optional>

class QAction;
class QMenu;

namespace kvx {

class AboutBox;
class AlarmStore;

// The resident service (`Form3`): the start gate, the notification-area icon
// and its menu, the alarm tick, the ringing and the exit sequence, composed
// of their own parts. It is never shown.
class ResidentWindow : public QObject {
    Q_OBJECT

public:
    ResidentWindow(
        AlarmStore& store, Settings& settings, ResidentServices& services, QObject* parent = nullptr);
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
    // A sleeping computer woken for each next bell, or not; why it cannot be, when it cannot.
    std::optional<QString> setWakeUp(bool on) { return m_scheduler.setWakeUp(on); }
    void registerStartup();
    void removeStartup();
    void showLog();
    void showAbout();

    // Puts the shown alarm off: the ring stops as by "OK", and a quick timer
    // with the alarm's message, sound and look rings again `minutes` from now.
    // The tables are saved at once; a failed save is told and nothing is
    // dropped. The minutes become the snooze's remembered choice. False when
    // no alarm was shown, the table is full, or the save failed.
    bool snooze(int minutes);

    // The alarm tick: fires at most one due alarm and refreshes the tooltip.
    void alarmTick() { m_scheduler.alarmTick(); }
    // The tooltip tells the next bell of the tables as they are, and the tick waits for it.
    void restartAlarmTick() { m_scheduler.restart(); }

    QMenu* iconMenu() const { return m_menu.menu(); }
    QAction* menuAction(const QString& objectName) const { return m_menu.action(objectName); }
    AlarmRinger& ringer() { return m_ringer; }
    AboutBox* aboutBox() const { return m_about.get(); }
    SoundController& sound() { return m_sound; }
    SoundDevices& soundDevices() { return m_devices; }

    // Service state, read by the editor and the tests.
    bool alarmsPaused() const { return m_scheduler.paused(); }
    QString toolTipNow() { return m_scheduler.toolTipNow(); }
    bool alarmSounding() const { return m_ringer.alarmSounding(); }
    bool exiting() const { return m_exiting; }
    bool exited() const { return m_exited; }
    bool alarmTimerActive() const { return m_scheduler.timerActive(); }
    // How often the alarm tick has woken, for the measurements of idle cost.
    int alarmTickCount() const { return m_scheduler.tickCount(); }
    DataFileWatch& dataFileWatch() { return m_watch; }

signals:
    // The open action: the main window (the calendar, or the editor) comes up.
    void openMainWindowRequested();
    // The exit sequence has ended; the program may quit.
    void quitRequested();
    // Waking a sleeping computer went off by itself (its helper could not run), and why.
    void wakeUpLost(const QString& why);

private:
    void endDuringStartUp();
    void loadData();
    void tellOpenDataFolders();
    void tellOtherComputers(const std::vector<DataFileLock::Holder>& others);
    void tellSaveProblems(const SaveResult& result);
    bool endDespiteFailedSave(const SaveResult& saved);
    void tell(const QString& text);

    AlarmStore& m_store;
    Settings& m_settings;
    ResidentServices& m_services;
    SoundController m_sound;
    AlarmRinger m_ringer;
    DesktopAlarmNotice m_notice;
    StartGate m_gate;
    TrayMenu m_menu;
    AlarmScheduler m_scheduler;
    SoundDevices m_devices;
    DataFileWatch m_watch;
    std::unique_ptr<AboutBox> m_about;

    bool m_exiting = false;
    bool m_exited = false;
    bool m_sessionEnding = false;
    bool m_exitFromMenu = false;
    bool m_trayAdded = false;
};

} // namespace kvx
