#pragma once

#include <QObject>

#ifndef Q_MOC_RUN
#include "calendar/CalendarWindow.h"
#include "core/Settings.h"
#include "core/ViewState.h"
#include "editor/EditorWindow.h"
#include "platform/Dialogs.h"
#include "platform/RunningCopyChannel.h"
#include "resident/ResidentServices.h"
#include "resident/ResidentWindow.h"
#include "store/AlarmStore.h"
#endif

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

// The whole program over a set of desktop services: the store of the tables,
// the shared view state, and every window, each handed what it needs by
// reference and wired to the others by signals. The program builds one over
// the real services; a test builds one over the doubles.
class Application : public QObject {
    Q_OBJECT

public:
    Application(const std::string& programDirectory, ResidentServices& services, Dialogs& dialogs,
        QObject* parent = nullptr);
    ~Application() override;

    // Passes the start gate and becomes resident. Not Running when another copy
    // runs or the session ended during the start-up: the program then ends.
    ResidentWindow::Start start();
    // The same, with a channel to the other starts. A copy that finds another
    // running hands it `request` (a plain start asks it to show its window);
    // the running copy listens and carries out what later starts ask, and
    // carries out its own `request` once resident.
    ResidentWindow::Start start(
        RunningCopyChannel& channel, std::optional<CopyRequest> request = std::nullopt);
    // Shows the main window, starts a new alarm for today in the editor, or
    // ends as the icon menu's 終了 does.
    void carryOut(CopyRequest request);
    // Carries out a command of the terminal (--quick, --list, --next) and
    // answers what it prints, what it tells and its exit status. A quick
    // timer is saved at once; a refusal changes nothing.
    CommandAnswer answer(const std::vector<std::string>& arguments);

    AlarmStore& store() { return m_store; }
    const SharedTables& tables() const { return m_store.tables(); }
    Settings& settings() { return m_settings; }
    ViewState& view() { return m_view; }
    ResidentWindow& resident() { return m_resident; }
    // The editor, created the first time it is opened; null before.
    EditorWindow* editor() const { return m_editor.get(); }
    // The open action: until the calendar window exists, it shows the editor
    // whatever "DEFFORM" says.
    EditorWindow& openEditor();
    // The calendar window, created the first time it is opened; null before.
    CalendarWindow* calendar() const { return m_calendar.get(); }
    // Shows the calendar window at today, placed by "FORMFLAG" when it is new.
    CalendarWindow& openCalendar();

signals:
    // The exit sequence has ended.
    void finished();

private:
    void offerRescueFile();
    CommandAnswer addQuickTimer(int minutes, const std::string& message);
    void addCalendarQuickTimer(int minutes);
    // The calendar window's iCalendar files.
    void exportFromCalendar();
    void importFromCalendar(const QString& dropped);
    AlarmRecord importedAlarmBlank();
    // After the editor: the calendar brought up to date, and shown when `show`.
    void showCalendarAgain(bool show);
    void presentCalendar();
    void wireEditor();
    void wireCalendar();
    // The editor, created hidden when it does not exist yet.
    EditorWindow& editorWindow();

    Settings m_settings;
    AlarmStore m_store;
    ViewState m_view;
    ResidentServices& m_services;
    Dialogs& m_dialogs;
    ResidentWindow m_resident;
    std::unique_ptr<EditorWindow> m_editor;
    QString m_wakeUpLost; // why waking a sleeping computer went off by itself; "" while it did not
    std::unique_ptr<CalendarWindow> m_calendar;
};

} // namespace kvx
