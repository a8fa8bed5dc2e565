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

bool Application::start()
{
    if (m_resident.startUp() != ResidentWindow::Start::Running) {
        return false;
    }
    m_view.calendar.selectDate(m_services.clock.nowOle());
    return true;
}

} // namespace kvx
