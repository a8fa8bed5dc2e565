#include "app/Application.h"

#include "app/CommandLine.h"
#include "core/RescueFile.h"
#include "schedule/AlarmText.h"
#include "schedule/QuickCommands.h"
#include "ui/SaveProblem.h"
#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <ctime>

namespace kvx {

namespace {

int writtenMemos(const MemoLists& memos)
{
    int count = 0;
    for (const auto& list : memos.lists) {
        count += static_cast<int>(
            std::ranges::count_if(list, [](const std::string& memo) { return !memo.empty(); }));
    }
    return count;
}

} // namespace

Application::Application(
    const std::string& programDirectory, ResidentServices& services, Dialogs& dialogs, QObject* parent)
    : QObject(parent)
    , m_settings(programDirectory)
    , m_saver(m_tables, m_settings, m_dataFile)
    , m_services(services)
    , m_dialogs(dialogs)
    , m_resident(m_tables, m_settings, m_dataFile, m_saver, services)
{
    connect(&m_resident, &ResidentWindow::quitRequested, this, [this] {
        if (m_editor) {
            m_editor->hide();
        }
        if (m_calendar) {
            m_calendar->hide();
        }
        emit finished();
    });
    connect(&m_resident, &ResidentWindow::openMainWindowRequested, this, [this] {
        if (m_tables.window.editorFirst != 0) {
            openEditor();
        } else {
            openCalendar();
        }
    });
    connect(&m_resident, &ResidentWindow::alarmListsChanged, this, &Application::refreshLists);
    // Saved, the tables hold what the file holds; not saved, the snooze's
    // timer is a change the windows must not drop.
    connect(&m_resident, &ResidentWindow::snoozed, this, [this](bool saved) { m_view.dataChanged = !saved; });
}

Application::~Application() = default;

void Application::refreshLists()
{
    if (m_editor) {
        m_editor->refreshList();
    }
    if (m_calendar) {
        m_calendar->refresh();
    }
}

EditorWindow& Application::openEditor()
{
    EditorWindow& editor = editorWindow();
    editor.open();
    return editor;
}

EditorWindow& Application::editorWindow()
{
    if (!m_editor) {
        EditorContext context{m_tables, m_settings, m_dataFile, m_view, m_saver, m_services.clock,
            m_services.prompter, m_dialogs, m_resident.sound(), [this] { return m_resident.alarmSounding(); },
            [this](QWidget* parent) { m_resident.chooseSoundDevices(parent); },
            [this](const QString& midi, const QString& wave) { m_resident.adoptSoundDevices(midi, wave); },
            [this]() -> QWidget* { return m_calendarWindow ? m_calendarWindow() : m_calendar.get(); }};
        m_editor = std::make_unique<EditorWindow>(std::move(context));
        // In the old screen mode the editor is the main window and goes where
        // the calendar would; otherwise it comes up in the middle.
        if (m_tables.window.editorFirst != 0) {
            placeByFormFlag(*m_editor);
        } else {
            centreOnScreen(*m_editor);
        }
        connect(m_editor.get(), &EditorWindow::confirmed, this, [this] {
            m_resident.restartAlarmTick();
            // The calendar comes back on the chosen month, unless the old
            // screen mode keeps the editor as the main window.
            showCalendarAgain(m_tables.window.editorFirst == 0);
        });
        connect(m_editor.get(), &EditorWindow::closedByUser, this, [this] { showCalendarAgain(true); });
        connect(m_editor.get(), &EditorWindow::alarmsChanged, &m_resident, &ResidentWindow::restartAlarmTick);
        // Another data file: the calendar shows its tables, memos included.
        connect(m_editor.get(), &EditorWindow::dataFileSwitched, this, [this] {
            if (m_calendar) {
                m_calendar->reloadMemos();
                m_calendar->refresh();
            }
        });
    }
    return *m_editor;
}

void Application::showCalendarAgain(bool show)
{
    if (!m_calendar && !show) {
        return;
    }
    CalendarWindow& calendar = m_calendar ? *m_calendar : openCalendar();
    calendar.showSelectedMonth();
    calendar.refresh();
    if (show) {
        calendar.show();
        calendar.raise();
    }
}

CalendarWindow& Application::openCalendar()
{
    if (!m_calendar) {
        CalendarContext context{m_tables, m_settings, m_dataFile, m_view, m_saver, m_services.clock,
            m_services.prompter, m_services.datagrams, [this] { return m_resident.alarmSounding(); },
            [this](int minutes) { editorWindow().addQuickTimer(minutes); }};
        m_calendar = std::make_unique<CalendarWindow>(std::move(context));
        wireCalendar();
        placeByFormFlag(*m_calendar);
    }
    m_calendar->goToToday();
    m_calendar->show();
    m_calendar->raise();
    m_calendar->activateWindow();
    return *m_calendar;
}

void Application::wireCalendar()
{
    CalendarWindow* calendar = m_calendar.get();
    // The editor is shown first: showing refills its list, which would drop a chosen row.
    connect(calendar, &CalendarWindow::newAlarmRequested, this,
        [this, calendar] { openEditor().startNewAlarm(calendar->newAlarmPreparation()); });
    connect(calendar, &CalendarWindow::editAlarmRequested, this,
        [this, calendar](int alarm) { openEditor().openAlarm(editorViewOf(calendar->tab()), alarm); });
    connect(calendar, &CalendarWindow::optionsRequested, this, [this, calendar](int alarm) {
        openEditor().openAlarm(editorViewOf(calendar->tab()), alarm, EditorWindow::kScreenTab);
    });
    // What the calendar saved, the alarm tick looks at from now on.
    connect(calendar, &CalendarWindow::saved, &m_resident, &ResidentWindow::restartAlarmTick);
    connect(calendar, &CalendarWindow::aboutRequested, &m_resident, &ResidentWindow::showAbout);
    connect(calendar, &CalendarWindow::exitRequested, &m_resident, &ResidentWindow::exitFromMenu);
}

// "FORMFLAG": "2" the top left corner, "3" the top right one, else the middle.
void Application::placeByFormFlag(QWidget& window) const
{
    const std::string& position = m_tables.window.formPosition;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || (position != "2" && position != "3")) {
        centreOnScreen(window);
        return;
    }
    const QRect area = screen->availableGeometry();
    window.move(
        position == "2" ? area.left() : area.right() + 1 - window.frameGeometry().width(), area.top());
}

ResidentWindow::Start Application::start()
{
    const ResidentWindow::Start result = m_resident.startUp();
    if (result != ResidentWindow::Start::Running) {
        return result;
    }
    // An end that a message of the start-up let through has run its exit already.
    if (m_resident.exited()) {
        return ResidentWindow::Start::Ended;
    }
    offerRescueFile();
    if (m_resident.exited()) {
        return ResidentWindow::Start::Ended;
    }
    m_view.calendar.selectDate(m_services.clock.nowOle());
    // Without a notification area the icon cannot be reached: the main window
    // comes up at once instead.
    if (!m_services.tray.available()) {
        m_resident.openAction();
    }
    return result;
}

ResidentWindow::Start Application::start(RunningCopyChannel& channel, std::optional<CopyRequest> request)
{
    const ResidentWindow::Start result = start();
    if (result == ResidentWindow::Start::AnotherCopyRuns) {
        channel.ask(request.value_or(CopyRequest::Show));
    } else if (result == ResidentWindow::Start::Running) {
        connect(&channel, &RunningCopyChannel::requested, this, &Application::carryOut);
        channel.onCommand = [this](const std::vector<std::string>& arguments) { return answer(arguments); };
        channel.listen();
        if (request) {
            carryOut(*request);
        }
    }
    return result;
}

void Application::carryOut(CopyRequest request)
{
    switch (request) {
    case CopyRequest::Show:
        m_resident.openAction();
        break;
    case CopyRequest::NewAlarm: {
        CalendarWindow& calendar = openCalendar();
        openEditor().startNewAlarm(calendar.newAlarmPreparation());
        break;
    }
    case CopyRequest::Quit:
        m_resident.exitFromMenu();
        break;
    }
}

// The last exit could not save the data file and left the tables in a rescue
// file: the user takes them back (they replace the tables and are saved at
// once) or leaves the file where it is. Once the data file is saved again it
// is the newer one, and the rescue file is not offered again.
void Application::offerRescueFile()
{
    std::optional<RescueFile> rescue = newerRescueFile(m_settings.dataPath());
    if (!rescue) {
        return;
    }
    char written[32];
    std::tm local{};
    ::localtime_r(&rescue->written, &local);
    std::strftime(written, sizeof written, "%Y/%m/%d %H:%M:%S", &local);
    const QString text = QStringLiteral(
        "前回の終了のときにデータファイルを保存できず、アラームとメモを退避ファイルに残しました。\n"
        "%1\n%2　アラーム %3件、メモ %4件\n"
        "退避ファイルの内容を取り戻しますか？（「キャンセル」で、退避ファイルはそのまま残します）")
                             .arg(QString::fromStdString(rescue->path), QString::fromLatin1(written))
                             .arg(rescue->tables.alarms.alarmCount)
                             .arg(writtenMemos(rescue->tables.memos));
    if (!m_services.prompter.question(text)) {
        return;
    }
    m_tables.alarms = std::move(rescue->tables.alarms);
    m_tables.routines = std::move(rescue->tables.routines);
    m_tables.memos = std::move(rescue->tables.memos);
    const SaveResult saved = m_saver.save(m_services.clock.nowOle());
    // Not saved, the rescued tables are a change the windows must not drop.
    m_view.dataChanged = !saved.dataSaved();
    if (!saved.ok()) {
        m_services.prompter.message(saveFailureText(saved, m_dataFile, m_settings));
    }
    m_resident.restartAlarmTick();
}

CommandAnswer Application::answer(const std::vector<std::string>& arguments)
{
    const CommandLine command = parseCommandLine(arguments);
    if (!command.error.empty()) {
        return {command.errorStatus, {}, command.error + "\n"};
    }
    if (!m_saver.tablesLoaded() || m_resident.exiting() || m_resident.exited()) {
        return {1, {}, "Kalvendorix は終了するところです\n"};
    }
    const OleDate now = m_services.clock.nowOle();
    switch (command.command) {
    case TerminalCommand::Quick:
        return addQuickTimer(command.minutes, command.message);
    case TerminalCommand::List:
        return {
            0, alarmListText(m_tables.alarms, m_tables.defaults.weekStartsMonday != 0, command.day, now), {}};
    case TerminalCommand::Next:
        return {0, nextAlarmLine(m_tables.alarms, now), {}};
    case TerminalCommand::None:
        break;
    }
    return {2, {}, "動いている Kalvendorix に頼めるのは --quick、--list、--next です\n"};
}

CommandAnswer Application::addQuickTimer(int minutes, const std::string& message)
{
    if (const auto problem = quickTimerProblem(m_tables.alarms, message)) {
        return {1, {}, *problem + "\n"};
    }
    const OleDate now = m_services.clock.nowOle();
    SoundController& sound = m_resident.sound();
    const AlarmRecord record = quickTimerFromDefaults(m_tables.defaults, now, minutes, message,
        static_cast<std::int32_t>(sound.savedMidiVolume()),
        static_cast<std::int32_t>(sound.savedWaveVolume()));
    // A refused command changes nothing: a timer that did not reach the data
    // file is taken back out of the tables.
    const SaveResult saved = m_resident.addTimer(record, now, ResidentWindow::UnsavedTimer::TakeBack);
    const QString problem = saveFailureText(saved, m_dataFile, m_settings);
    if (!saved.dataFileSaved) {
        return {1, {}, problem.toStdString() + "\n"};
    }
    const std::string line
        = describeAlarm(record, m_tables.defaults.weekStartsMonday != 0) + '\t' + record.message + '\n';
    // The timer is in the data file; settings that could not follow are a warning.
    return {0, line, problem.isEmpty() ? std::string() : problem.toStdString() + "\n"};
}

} // namespace kvx
