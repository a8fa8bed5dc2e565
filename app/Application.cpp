#include "app/Application.h"

#include "app/ExitRescue.h"
#include "editor/SaveProblem.h"

namespace kvx {

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
        emit finished();
    });
    connect(&m_resident, &ResidentWindow::openMainWindowRequested, this, [this] { openEditor(); });
    connect(&m_resident, &ResidentWindow::alarmListsChanged, this, [this] {
        if (m_editor) {
            m_editor->refreshList();
        }
    });
    m_resident.onExitSaveFailed = [this](const SaveResult& result, bool fromMenu) {
        return exitSaveFailed(result, fromMenu);
    };
}

Application::~Application() = default;

EditorWindow& Application::openEditor()
{
    if (!m_editor) {
        EditorContext context{m_tables, m_settings, m_dataFile, m_view, m_saver, m_services.clock,
            m_services.prompter, m_dialogs, m_resident.sound(), [this] { return m_resident.alarmSounding(); },
            [this](QWidget* parent) { m_resident.chooseSoundDevices(parent); },
            [this](const QString& midi, const QString& wave) { m_resident.adoptSoundDevices(midi, wave); },
            [this] { return m_calendarWindow ? m_calendarWindow() : nullptr; }};
        m_editor = std::make_unique<EditorWindow>(std::move(context));
    }
    m_editor->open();
    return *m_editor;
}

bool Application::exitSaveFailed(const SaveResult& result, bool fromMenu)
{
    QString text = saveFailureText(result, m_dataFile, m_settings.dataPath());
    const std::string rescue = writeRescueFile(m_tables, m_settings.dataPath(), m_services.clock.nowOle());
    if (!rescue.empty()) {
        text += QStringLiteral("\n退避ファイル：%1").arg(QString::fromStdString(rescue));
    }
    if (!fromMenu) {
        return true;
    }
    return m_services.prompter.question(text + QStringLiteral("\n終了してもよろしいですか？"));
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
    m_view.calendar.selectDate(m_services.clock.nowOle());
    return result;
}

ResidentWindow::Start Application::start(RunningCopyChannel& channel)
{
    const ResidentWindow::Start result = start();
    if (result == ResidentWindow::Start::AnotherCopyRuns) {
        channel.askToShow();
    } else if (result == ResidentWindow::Start::Running) {
        connect(&channel, &RunningCopyChannel::showRequested, &m_resident, &ResidentWindow::openAction);
        channel.listen();
    }
    return result;
}

} // namespace kvx
