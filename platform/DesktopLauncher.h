#pragma once

#include "platform/DesktopServices.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace kvx {

// Opens files with the desktop's default program and starts the system
// information program of whichever desktop is installed.
class DesktopLauncher final : public Launcher {
public:
    struct Program {
        QString name;
        QStringList arguments;
        // The XDG_CURRENT_DESKTOP name of the desktop the program belongs to.
        QString desktop;
    };

    DesktopLauncher();
    // `searchPaths` empty: the PATH of the environment.
    DesktopLauncher(std::vector<Program> candidates, QStringList searchPaths, const QString& currentDesktop);

    bool openFile(const QString& path) override;
    bool startSystemInformation() override;

    // The program to start, its name made a full path; the running desktop's own first.
    std::optional<Program> findSystemInformation() const;
    static std::vector<Program> systemInformationPrograms();

private:
    std::vector<Program> m_candidates;
    QStringList m_searchPaths;
    QStringList m_desktops;
};

} // namespace kvx
