#include "platform/DesktopLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace kvx {

DesktopLauncher::DesktopLauncher()
    : DesktopLauncher(systemInformationPrograms(), {}, qEnvironmentVariable("XDG_CURRENT_DESKTOP"))
{
}

DesktopLauncher::DesktopLauncher(
    std::vector<Program> candidates, QStringList searchPaths, const QString& currentDesktop)
    : m_candidates(std::move(candidates))
    , m_searchPaths(std::move(searchPaths))
    , m_desktops(currentDesktop.toLower().split(u':', Qt::SkipEmptyParts))
{
}

std::vector<DesktopLauncher::Program> DesktopLauncher::systemInformationPrograms()
{
    return {
        {QStringLiteral("kinfocenter"), {}, QStringLiteral("KDE")},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")}, QStringLiteral("GNOME")},
        {QStringLiteral("xfce4-about"), {}, QStringLiteral("XFCE")},
        {QStringLiteral("lxqt-about"), {}, QStringLiteral("LXQt")},
        {QStringLiteral("hardinfo"), {}, {}},
    };
}

bool DesktopLauncher::openFile(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::optional<DesktopLauncher::Program> DesktopLauncher::findSystemInformation() const
{
    std::vector<Program> order = m_candidates;
    std::stable_partition(order.begin(), order.end(),
        [this](const Program& program) { return m_desktops.contains(program.desktop.toLower()); });
    for (Program& program : order) {
        const QString path = QStandardPaths::findExecutable(program.name, m_searchPaths);
        if (!path.isEmpty()) {
            program.name = path;
            return program;
        }
    }
    return std::nullopt;
}

bool DesktopLauncher::startSystemInformation()
{
    const std::optional<Program> program = findSystemInformation();
    return program && QProcess::startDetached(program->name, program->arguments);
}

} // namespace kvx
