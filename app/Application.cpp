#include "app/Application.h"

namespace kvx {

Application::Application(const std::string& programDirectory, ResidentServices& services, QObject* parent)
    : QObject(parent)
    , m_settings(programDirectory)
    , m_saver(m_tables, m_settings, m_dataFile)
    , m_services(services)
    , m_resident(m_tables, m_settings, m_dataFile, m_saver, services)
{
    connect(&m_resident, &ResidentWindow::quitRequested, this, &Application::finished);
}

Application::~Application() = default;

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
