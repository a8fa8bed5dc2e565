#include "app/Application.h"

#include "app/CalendarFiles.h"
#include "app/CommandLine.h"
#include "core/RescueFile.h"
#include "platform/QtLocalTime.h"
#include "schedule/NextAlarm.h"
#include "schedule/AlarmText.h"
#include "schedule/QuickCommands.h"
#include "ui/SaveProblem.h"
#include "ui/WindowPlacement.h"

#include <QDir>

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
    , m_store(m_settings)
    , m_services(services)
    , m_dialogs(dialogs)
    , m_resident(m_store, m_settings, services)
{
    // An event another program put into the calendar folder rings as an imported one.
    m_store.calendarFolder().setBlank([this] { return importedAlarmBlank(); });
    connect(&m_resident, &ResidentWindow::quitRequested, this, [this] {
        if (m_editor) {
            m_editor->hide();
        }
        if (m_calendar) {
            m_calendar->hide();
        }
        emit finished();
    });
    // The editor's box goes off with the reason beside it, now or when it opens.
    connect(&m_resident, &ResidentWindow::wakeUpLost, this, [this](const QString& why) {
        m_wakeUpLost = why;
        if (m_editor) {
            m_editor->refuseWakeUp(why);
        }
    });
    connect(&m_resident, &ResidentWindow::openMainWindowRequested, this, [this] {
        if (m_store.window().editorFirst != 0) {
            // The calendar behind it turns back to today, as it does when it opens.
            if (m_calendar) {
                m_calendar->goToToday();
            }
            openEditor();
        } else {
            openCalendar();
        }
    });
}

Application::~Application() = default;

EditorWindow& Application::openEditor()
{
    EditorWindow& editor = editorWindow();
    editor.open();
    return editor;
}

EditorWindow& Application::editorWindow()
{
    if (!m_editor) {
        // Made hidden: the device chooser it may need comes up over it.
        EditorContext context{m_store, m_settings, m_view, m_services.clock, m_services.prompter, m_dialogs,
            m_resident.sound(), m_resident.ringer()};
        m_editor = std::make_unique<EditorWindow>(context);
        wireEditor();
        if (!m_wakeUpLost.isEmpty()) {
            m_editor->refuseWakeUp(m_wakeUpLost);
        }
    }
    return *m_editor;
}

void Application::wireEditor()
{
    EditorWindow* editor = m_editor.get();
    connect(editor, &EditorWindow::soundDevicesNeeded, &m_resident.soundDevices(), &SoundDevices::choose);
    connect(editor, &EditorWindow::soundDevicesChosen, &m_resident.soundDevices(), &SoundDevices::adopt);
    connect(editor, &EditorWindow::calendarPlacementChosen, this, [this](const QString& formFlag) {
        if (m_calendar) {
            placeByFormFlag(*m_calendar, formFlag.toStdString());
        }
    });
    connect(editor, &EditorWindow::wakeUpChosen, this, [this](bool on) {
        if (const std::optional<QString> why = m_resident.setWakeUp(on)) {
            m_editor->refuseWakeUp(*why);
        }
    });
    // The preview and the alarm are one window to the user: its close stops the ring.
    connect(editor, &EditorWindow::previewClosed, this, [this] {
        if (m_resident.ringer().ringingIndex() >= 0) {
            m_resident.ringer().stopAction();
        }
    });
    // The calendar comes back on the chosen month, unless the old screen mode
    // keeps the editor as the main window.
    connect(editor, &EditorWindow::confirmed, this,
        [this] { showCalendarAgain(m_store.window().editorFirst == 0); });
    connect(editor, &EditorWindow::closedByUser, this, [this] { showCalendarAgain(true); });
    // In the old screen mode the editor is the main window and goes where the
    // calendar would; otherwise it comes up in the middle.
    if (m_store.window().editorFirst != 0) {
        placeByFormFlag(*editor, m_store.window().formPosition);
    } else {
        centreOnScreen(*editor);
    }
}

void Application::showCalendarAgain(bool show)
{
    if (!m_calendar && !show) {
        return;
    }
    CalendarWindow& calendar = m_calendar ? *m_calendar : openCalendar();
    calendar.showSelectedMonth();
    if (show) {
        presentCalendar();
    }
}

CalendarWindow& Application::openCalendar()
{
    if (!m_calendar) {
        CalendarContext context{m_store, m_settings, m_view, m_services.clock, m_services.prompter,
            m_services.datagrams, m_resident.ringer()};
        m_calendar = std::make_unique<CalendarWindow>(context);
        wireCalendar();
    }
    m_calendar->goToToday();
    presentCalendar();
    return *m_calendar;
}

// Each opening puts the window where "FORMFLAG" says: a window manager that
// moves a window by its frame at each show (mutter) would walk it up the screen.
void Application::presentCalendar()
{
    if (!m_calendar->isVisible()) {
        placeByFormFlag(*m_calendar, m_store.window().formPosition);
    }
    m_calendar->show();
    m_calendar->raise();
    m_calendar->activateWindow();
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
    connect(calendar, &CalendarWindow::quickTimerRequested, this, &Application::addCalendarQuickTimer);
    connect(calendar, &CalendarWindow::aboutRequested, &m_resident, &ResidentWindow::showAbout);
    connect(calendar, &CalendarWindow::exitRequested, &m_resident, &ResidentWindow::exitFromMenu);
    connect(calendar, &CalendarWindow::exportRequested, this, &Application::exportFromCalendar);
    connect(calendar, &CalendarWindow::importRequested, this, [this] { importFromCalendar({}); });
    connect(calendar, &CalendarWindow::calendarFileDropped, this, &Application::importFromCalendar);
}

AlarmRecord Application::importedAlarmBlank()
{
    // An event of another calendar rings with the sound and look of a new alarm.
    SoundController& sound = m_resident.sound();
    return quickTimerFromDefaults(m_store.defaults(), m_services.clock.nowOle(), 0, {},
        static_cast<std::int32_t>(sound.savedMidiVolume()),
        static_cast<std::int32_t>(sound.savedWaveVolume()));
}

namespace {

// The file dialog of an iCalendar file, opening in the home folder.
Dialogs::FileRequest calendarFileRequest(const QString& title)
{
    Dialogs::FileRequest request;
    request.title = title;
    request.filters
        = {QStringLiteral("iCalendar (*.ics *.ical *.ifb)"), QStringLiteral("すべてのファイル (*)")};
    request.startFolder = QDir::homePath();
    return request;
}

// What a file command answered, as the window tells it.
QString answerText(const CommandAnswer& answer)
{
    return QString::fromStdString(answer.out + answer.err).trimmed();
}

} // namespace

void Application::exportFromCalendar()
{
    Dialogs::FileRequest request = calendarFileRequest(QStringLiteral("iCalendar形式で書き出す"));
    request.presetName = QStringLiteral("Kalvendorix.ics");
    request.defaultSuffix = QStringLiteral("ics");
    request.mayCreate = true;
    request.save = true;
    const std::optional<QString> path = m_dialogs.openFile(request, m_calendar.get());
    if (path) {
        m_services.prompter.message(
            answerText(exportCalendarFile(m_store, path->toStdString())), m_calendar.get());
    }
}

// A file dropped on the window, or chosen in the dialog when none is given.
void Application::importFromCalendar(const QString& dropped)
{
    std::optional<QString> path = dropped.isEmpty() ? std::nullopt : std::optional<QString>(dropped);
    if (!path) {
        path = m_dialogs.openFile(
            calendarFileRequest(QStringLiteral("iCalendarを読み込む")), m_calendar.get());
    }
    if (path) {
        const CommandAnswer answer = importCalendarFile(
            m_store, path->toStdString(), importedAlarmBlank(), m_services.clock.nowOle());
        m_services.prompter.message(answerText(answer), m_calendar.get());
    }
}

// The calendar's quick timer takes the editor's fields as they stand, or the
// remembered ones while there is no editor, and is saved at once.
void Application::addCalendarQuickTimer(int minutes)
{
    const OleDate now = m_services.clock.nowOle();
    SoundController& sound = m_resident.sound();
    const AlarmRecord timer = m_editor ? m_editor->quickTimerFromFields(minutes)
                                       : quickTimerFromDefaults(m_store.defaults(), now, minutes, {},
                                           static_cast<std::int32_t>(sound.savedMidiVolume()),
                                           static_cast<std::int32_t>(sound.savedWaveVolume()));
    const AlarmStore::QuickTimer added = m_store.addQuickTimer(timer, now, AlarmStore::QuickSave::Now);
    if (added.refused) {
        return;
    }
    m_store.defaults().lastSavedIndex = static_cast<std::int16_t>(added.index);
    if (!added.saved.ok()) {
        m_services.prompter.message(
            saveFailureText(added.saved, m_store.dataFile(), m_settings), m_calendar.get());
    }
    m_calendar->showAddedTimer();
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
    m_store.replaceData(std::move(rescue->tables));
    const SaveResult saved = m_store.save(m_services.clock.nowOle());
    if (!saved.ok()) {
        m_services.prompter.message(saveFailureText(saved, m_store.dataFile(), m_settings));
    }
}

CommandAnswer Application::answer(const std::vector<std::string>& arguments)
{
    const CommandLine command = parseCommandLine(arguments);
    if (!command.error.empty()) {
        return {command.errorStatus, {}, command.error + "\n"};
    }
    if (!m_store.loaded() || m_resident.exiting() || m_resident.exited()) {
        return {1, {}, "Kalvendorix は終了するところです\n"};
    }
    const OleDate now = m_services.clock.nowOle();
    switch (command.command) {
    case TerminalCommand::Quick:
        return addQuickTimer(command.minutes, command.message);
    case TerminalCommand::List:
        return {0,
            alarmListText(m_store.alarms(), m_store.defaults().weekStartsMonday != 0, command.day, now), {}};
    case TerminalCommand::Next:
        // Paused, nothing rings: the answer says so, as the tooltip does.
        if (m_resident.alarmsPaused()) {
            return {0, m_resident.toolTipNow().toStdString() + "\n", {}};
        }
        {
            // Counted in real time across a change of the clocks.
            const QtLocalTime local;
            const RealNow real{local, m_services.clock.now().toSecsSinceEpoch() * 1000};
            return {0, nextAlarmLine(m_store.alarms(), now, &real), {}};
        }
    case TerminalCommand::Export:
        return exportCalendarFile(m_store, command.path);
    case TerminalCommand::Import:
        return importCalendarFile(m_store, command.path, importedAlarmBlank(), now);
    case TerminalCommand::ResolveICalendar:
        return resolveICalendarConflict(command.path, command.secondPath);
    case TerminalCommand::None:
        break;
    }
    return {2, {}, "動いている Kalvendorix に頼めるのは --quick、--list、--next、--export、--import です\n"};
}

CommandAnswer Application::addQuickTimer(int minutes, const std::string& message)
{
    const OleDate now = m_services.clock.nowOle();
    SoundController& sound = m_resident.sound();
    const AlarmRecord record = quickTimerFromDefaults(m_store.defaults(), now, minutes, message,
        static_cast<std::int32_t>(sound.savedMidiVolume()),
        static_cast<std::int32_t>(sound.savedWaveVolume()));
    // A refused command changes nothing: a timer that did not reach the data
    // file is taken back out of the tables.
    const AlarmStore::QuickTimer added
        = m_store.addQuickTimer(record, now, AlarmStore::QuickSave::NowOrTakeBack);
    if (added.refused) {
        return {1, {}, *added.refused + "\n"};
    }
    const QString problem = saveFailureText(added.saved, m_store.dataFile(), m_settings);
    if (!added.saved.dataFileSaved) {
        return {1, {}, problem.toStdString() + "\n"};
    }
    const std::string line
        = describeAlarm(record, m_store.defaults().weekStartsMonday != 0) + '\t' + record.message + '\n';
    // The timer is in the data file; settings that could not follow are a warning.
    return {0, line, problem.isEmpty() ? std::string() : problem.toStdString() + "\n"};
}

} // namespace kvx
