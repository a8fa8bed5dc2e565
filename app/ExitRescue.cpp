#include "app/ExitRescue.h"

#include "core/Settings.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace kvx {

std::string rescueFileName(const std::string& dataPath, OleDate now)
{
    const auto ymd = now.ymd();
    const int seconds = now.secondsOfDay();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), seconds / 3600,
        seconds / 60 % 60, seconds % 60);
    std::string name = QFileInfo(QString::fromStdString(dataPath)).fileName().toStdString();
    if (name.empty()) {
        name = kDataFileName;
    }
    return name + ".rescue-" + stamp;
}

std::string rescueStateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return (base + QStringLiteral("/Kalvendorix/")).toStdString();
}

std::string writeRescueFile(const SharedTables& tables, const std::string& dataPath, OleDate now)
{
    const std::string name = rescueFileName(dataPath, now);
    std::string beside = directoryOf(dataPath) + name;
    if (DataFile().save(tables, beside, now)) {
        return beside;
    }
    const std::string folder = rescueStateFolder();
    QDir().mkpath(QString::fromStdString(folder));
    std::string state = folder + name;
    if (DataFile().save(tables, state, now)) {
        return state;
    }
    return {};
}

} // namespace kvx
