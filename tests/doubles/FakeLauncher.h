#pragma once

#include "platform/DesktopServices.h"

#include <QStringList>

namespace kvx {

// Test double of the launcher: records the files opened and the starts of the
// system information program, and answers as set.
class FakeLauncher final : public Launcher {
public:
    bool openFile(const QString& path) override;
    bool startSystemInformation() override;

    void setOpenResult(bool ok) { m_openResult = ok; }
    // Whether the desktop has a system information program.
    void setSystemInformationAvailable(bool available) { m_systemInformation = available; }

    const QStringList& openedFiles() const { return m_opened; }
    int systemInformationRequests() const { return m_requests; }

private:
    bool m_openResult = true;
    bool m_systemInformation = true;
    QStringList m_opened;
    int m_requests = 0;
};

} // namespace kvx
