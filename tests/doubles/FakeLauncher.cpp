#include "doubles/FakeLauncher.h"

namespace kvx {

bool FakeLauncher::openFile(const QString& path)
{
    m_opened.append(path);
    return m_openResult;
}

bool FakeLauncher::startSystemInformation()
{
    ++m_requests;
    return m_systemInformation;
}

} // namespace kvx
