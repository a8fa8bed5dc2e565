#pragma once

#include "core/Records.h"

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvx::test {

// A private home for runs of the program: its data folder
// ($XDG_DATA_HOME/Kalvendorix/), a runtime folder for its lock and a scratch
// folder for the files a test hands it or waits for. Nothing of the user's
// own session is seen or touched.
class ProgramSandbox {
public:
    struct FileState {
        std::string bytes;
        std::filesystem::file_time_type modified;

        bool operator==(const FileState&) const = default;
    };
    using Snapshot = std::map<std::string, FileState>;
    using Setting = std::pair<std::string, std::string>;

    ProgramSandbox();

    bool isValid() const { return m_root.isValid(); }
    QString rootDirectory() const { return m_root.path(); }
    QString programDirectory() const;
    QString dataFile() const;
    QString settingsFile() const;
    QString runtimeDirectory() const;
    QString scratchFile(const QString& name) const;
    // Writes `bytes` to the scratch file `name`; its path, or "" when it could not be written.
    QString writeScratchFile(const QString& name, const QByteArray& bytes) const;

    bool writeTables(const SharedTables& tables) const;
    std::optional<SharedTables> readTables() const;
    bool writeSettings(const std::vector<Setting>& settings) const;
    std::optional<std::string> setting(const std::string& key) const;
    QByteArray settingsBytes() const;

    // What the program is started with: this sandbox's folders, the Qt
    // platform `platform` and `readyFile` for its "resident" report.
    QProcessEnvironment environment(const QString& readyFile, const QString& platform) const;

    // Every file under the data and runtime folders with its bytes and time.
    Snapshot snapshot() const;

private:
    QTemporaryDir m_root;
};

} // namespace kvx::test
