#include "tests/blackbox/ProgramSandbox.h"

#include "core/DataFile.h"
#include "core/ProfileFile.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>

#include <fstream>
#include <iterator>

namespace kvx::test {

namespace {

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void addFiles(const QString& folder, ProgramSandbox::Snapshot& snapshot)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.toStdString(), error)) {
        if (entry.is_regular_file()) {
            snapshot[entry.path().string()] = {readAll(entry.path()), entry.last_write_time()};
        }
    }
}

} // namespace

ProgramSandbox::ProgramSandbox()
{
    QDir root(m_root.path());
    root.mkpath(QStringLiteral("data/Kalvendorix"));
    root.mkpath(QStringLiteral("config"));
    root.mkpath(QStringLiteral("scratch"));
    // The runtime folder must be private to its owner, or Qt ignores it.
    root.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString ProgramSandbox::programDirectory() const
{
    return m_root.filePath(QStringLiteral("data/Kalvendorix/"));
}

QString ProgramSandbox::dataFile() const
{
    return programDirectory() + QLatin1String(kDataFileName);
}

QString ProgramSandbox::settingsFile() const
{
    return programDirectory() + QLatin1String(kSettingsFileName);
}

QString ProgramSandbox::runtimeDirectory() const
{
    return m_root.filePath(QStringLiteral("runtime"));
}

QString ProgramSandbox::scratchFile(const QString& name) const
{
    return m_root.filePath(QStringLiteral("scratch/") + name);
}

QString ProgramSandbox::writeScratchFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = scratchFile(name);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

bool ProgramSandbox::writeTables(const SharedTables& tables) const
{
    DataFile file;
    return file.save(tables, dataFile().toStdString(), OleDate());
}

std::optional<SharedTables> ProgramSandbox::readTables() const
{
    if (!QFile::exists(dataFile())) {
        return std::nullopt;
    }
    SharedTables tables;
    DataFile file;
    if (!file.load(tables, dataFile().toStdString(), LoadContext{})) {
        return std::nullopt;
    }
    return tables;
}

bool ProgramSandbox::writeSettings(const std::vector<Setting>& settings) const
{
    return ProfileFile(settingsFile().toStdString()).write(kSettingsSection, settings);
}

std::optional<std::string> ProgramSandbox::setting(const std::string& key) const
{
    return ProfileFile(settingsFile().toStdString()).read(kSettingsSection, key);
}

QByteArray ProgramSandbox::settingsBytes() const
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcessEnvironment ProgramSandbox::environment(const QString& readyFile, const QString& platform) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory());
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_root.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    env.insert(QStringLiteral("KVX_READY_FILE"), readyFile);
    // Leaks in the desktop libraries at exit would turn a clean exit code into
    // a failure of the sanitizer build.
    if (!env.contains(QStringLiteral("ASAN_OPTIONS"))) {
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    }
    return env;
}

ProgramSandbox::Snapshot ProgramSandbox::snapshot() const
{
    Snapshot files;
    addFiles(m_root.filePath(QStringLiteral("data")), files);
    addFiles(runtimeDirectory(), files);
    return files;
}

} // namespace kvx::test
