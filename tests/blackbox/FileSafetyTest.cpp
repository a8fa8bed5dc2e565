#include "core/WholeFile.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

// The program's files when a save is cut short by a kill, and settings files
// that are not files.

namespace kvx::test {
namespace {

constexpr int kResidentBoundMs = 60000;
constexpr int kExitBoundMs = 30000;
constexpr int kWriterBoundMs = 60000;

const QString kOffscreen = QStringLiteral("offscreen");

// This test program writes data files of many alarms on request (main.cpp):
// the same save the resident program makes.
QStringList writerArguments(const QString& path, bool withDailyAlarm)
{
    QStringList arguments = {QStringLiteral("--write-data-file"), path, QStringLiteral("32766")};
    if (withDailyAlarm) {
        arguments << QStringLiteral("04:00");
    }
    return arguments;
}

// The writer's "today" stays the same through the test, across midnight too.
void fixWritersDay(QProcess& writer)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KVX_WRITER_DATE"), QStringLiteral("2026-06-15"));
    writer.setProcessEnvironment(env);
}

bool writeWhole(const QString& path, bool withDailyAlarm)
{
    QProcess writer;
    fixWritersDay(writer);
    writer.start(QCoreApplication::applicationFilePath(), writerArguments(path, withDailyAlarm));
    const bool done = writer.waitForFinished(kWriterBoundMs) && writer.exitStatus() == QProcess::NormalExit
        && writer.exitCode() == 0;
    return done;
}

std::string bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::vector<std::string> temporaryFiles(const QString& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.toStdString())) {
        const std::string name = entry.path().filename().string();
        if (name.find(".kvx-tmp-") != std::string::npos) {
            names.push_back(name);
        }
    }
    return names;
}

TEST(FileSafety, KilledSavesLeaveTheOldOrTheNewFileAndTheNextStartClearsTheirTemporaryFiles)
{
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    // 32766 alarms, and the same with one more: 32767.
    const QString oldCopy = sandbox.scratchFile(QStringLiteral("old.dat"));
    const QString newCopy = sandbox.scratchFile(QStringLiteral("new.dat"));
    ASSERT_TRUE(writeWhole(oldCopy, false));
    ASSERT_TRUE(writeWhole(newCopy, true));
    const std::string oldBytes = bytesOf(oldCopy);
    const std::string newBytes = bytesOf(newCopy);
    ASSERT_NE(oldBytes, newBytes);
    ASSERT_TRUE(QFile::copy(oldCopy, sandbox.dataFile()));

    // Each kill falls a little later after the writer's temporary file
    // appeared: while it is written, while it reaches the disk, around the
    // rename, and after.
    constexpr int kSaves = 50;
    int changed = 0;
    for (int save = 0; save < kSaves; ++save) {
        QProcess writer;
        fixWritersDay(writer);
        writer.start(
            QCoreApplication::applicationFilePath(), writerArguments(sandbox.dataFile(), save % 2 == 0));
        ASSERT_TRUE(writer.waitForStarted(kWriterBoundMs)) << save;
        // Taken now: once the writer has ended, processId() is 0, and a kill
        // of process 0 would end this whole process group.
        const auto pid = static_cast<pid_t>(writer.processId());
        ASSERT_GT(pid, 0);
        const std::string prefix
            = std::filesystem::path(temporaryPrefixFor(sandbox.dataFile().toStdString(), pid)).filename();
        const auto started = [&] {
            const std::vector<std::string> names = temporaryFiles(sandbox.programDirectory());
            return std::any_of(names.begin(), names.end(),
                [&](const std::string& name) { return name.starts_with(prefix); });
        };
        while (!started() && !writer.waitForFinished(1)) { }
        QThread::usleep(static_cast<unsigned long>(save % 10) * 1500);
        ::kill(pid, SIGKILL); // an ended writer not yet reaped takes no harm
        // A writer that ended before its temporary file was seen has ended already.
        ASSERT_TRUE(writer.state() == QProcess::NotRunning || writer.waitForFinished(kWriterBoundMs)) << save;
        const std::string now = bytesOf(sandbox.dataFile());
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "save " << save << ": " << now.size() << " bytes";
        changed += now == (save % 2 == 0 ? newBytes : oldBytes) ? 1 : 0;
    }
    const std::vector<std::string> left = temporaryFiles(sandbox.programDirectory());
    EXPECT_FALSE(left.empty()) << "no kill fell inside a save";
    EXPECT_GT(changed, 0) << "no save got to its end";
    std::cout << left.size() << " temporary files left by " << kSaves << " killed saves, " << changed
              << " of which had completed\n";

    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    ResidentProcess program(sandbox.environment(ready, kOffscreen), ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    EXPECT_EQ(temporaryFiles(sandbox.programDirectory()), std::vector<std::string>{})
        << left.size() << " temporary files before the start";
    const std::optional<SharedTables> tables = sandbox.readTables();
    ASSERT_TRUE(tables.has_value());
    EXPECT_GE(tables->alarms.alarmCount, 32766);
    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
}

// A named pipe without a writer blocks any reader that waits for one; the
// program must start as if there were no settings file, and end on SIGTERM.
TEST(FileSafety, ANamedPipeAsTheSettingsFileNeitherStopsTheStartNorIsReplaced)
{
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const std::string settings = sandbox.settingsFile().toStdString();
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    ResidentProcess program(sandbox.environment(ready, kOffscreen), ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
    struct stat status { };
    ASSERT_EQ(::lstat(settings.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_TRUE(QFile::exists(sandbox.dataFile())) << "the exit still saves the data file";
}

// The copy a command started, ended at the end of the test whatever happens.
class StartedCopy {
public:
    StartedCopy(const QProcessEnvironment& env, QStringList asUser)
        : m_env(env)
        , m_asUser(std::move(asUser))
    {
    }
    ~StartedCopy()
    {
        runCommand(m_env, {QStringLiteral("--quit")}, m_asUser);
        const pid_t pid = residentPid();
        for (int wait = 0; pid > 0 && processAlive(pid) && wait < 200; ++wait) {
            QThread::msleep(50);
        }
        if (pid > 0 && processAlive(pid)) {
            ::kill(pid, SIGKILL);
        }
    }
    StartedCopy(const StartedCopy&) = delete;
    StartedCopy& operator=(const StartedCopy&) = delete;

    CommandRun run(const QStringList& arguments) const { return runCommand(m_env, arguments, m_asUser); }

private:
    pid_t residentPid() const
    {
        return static_cast<pid_t>(bytesOf(m_env.value(QStringLiteral("KVX_READY_FILE"))).empty()
                ? 0
                : std::stol(bytesOf(m_env.value(QStringLiteral("KVX_READY_FILE")))));
    }

    QProcessEnvironment m_env;
    QStringList m_asUser;
};

int rowsListed(const CommandRun& listed)
{
    return static_cast<int>(std::count(listed.out.begin(), listed.out.end(), '\n'));
}

std::vector<std::string> namesStartingWith(const QString& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.toStdString())) {
        if (entry.path().filename().string().starts_with(prefix)) {
            names.push_back(entry.path().string());
        }
    }
    return names;
}

// A file cut short, an older file whose backup cannot be made yet, and saves
// that fail, each followed by a save: what the user had exists aside, and
// nothing refused is in the data file or in the running copy's list.
TEST(FileSafety, WhatCannotBeReadOrCopiedIsKeptAsideAndNothingRefusedIsSaved)
{
    const QStringList quick = {QStringLiteral("--quick"), QStringLiteral("5"), QStringLiteral("休憩")};
    const QStringList list = {QStringLiteral("--list")};

    {
        ProgramSandbox sandbox;
        ASSERT_TRUE(sandbox.writeTables(manyAlarmTables(20, oleDateOf(QDateTime::currentDateTime()))));
        const std::string whole = bytesOf(sandbox.dataFile());
        const std::string cut = whole.substr(0, whole.size() / 2);
        ASSERT_TRUE(QFile::resize(sandbox.dataFile(), static_cast<qint64>(cut.size())));
        const StartedCopy copy(
            sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), kOffscreen), {});
        const CommandRun listed = copy.run(list);
        EXPECT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(listed.out, "") << "no blank alarms from a cut file";
        EXPECT_EQ(copy.run(quick).status, 0);
        const std::vector<std::string> kept
            = namesStartingWith(sandbox.programDirectory(), "Kalvendorix.dat.unreadable-");
        ASSERT_EQ(kept.size(), 1U);
        EXPECT_EQ(bytesOf(QString::fromStdString(kept.front())), cut);
        EXPECT_EQ(rowsListed(copy.run(list)), 1);
    }
    {
        // Only an ordinary user meets a read-only folder: root runs the program as nobody.
        ProgramSandbox sandbox;
        QStringList asUser;
        if (::geteuid() == 0) {
            asUser = {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
        }
        QFile golden(QStringLiteral(KVX_SOURCE_DIR "/tests/data/datafile/tollbeck-0.9.5.dat"));
        ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
        const QByteArray original = golden.readAll();
        QFile data(sandbox.dataFile());
        ASSERT_TRUE(data.open(QIODevice::WriteOnly) && data.write(original) == original.size());
        data.close();
        if (!asUser.isEmpty()) {
            ASSERT_EQ(
                std::system(("chown -R 65534:65534 '" + sandbox.rootDirectory().toStdString() + "'").c_str()),
                0);
        }
        const std::string folder = sandbox.programDirectory().toStdString();
        ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
        const StartedCopy copy(
            sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), kOffscreen), asUser);
        EXPECT_EQ(rowsListed(copy.run(list)), 2) << "the converted alarms load";
        const CommandRun refused = copy.run(quick);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("控え"), std::string::npos) << refused.err;
        EXPECT_EQ(rowsListed(copy.run(list)), 2) << "the refused timer is not in the running copy";
        EXPECT_EQ(bytesOf(sandbox.dataFile()), original.toStdString());
        ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
        EXPECT_EQ(copy.run(quick).status, 0);
        EXPECT_EQ(bytesOf(sandbox.dataFile() + QStringLiteral(".bak")), original.toStdString());
        EXPECT_EQ(rowsListed(copy.run(list)), 3);
    }
    for (const bool settingsBroken : {true, false}) {
        ProgramSandbox sandbox;
        const QString broken = settingsBroken ? sandbox.settingsFile() : sandbox.dataFile();
        ASSERT_TRUE(QDir().mkpath(broken));
        const StartedCopy copy(
            sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), kOffscreen), {});
        const CommandRun added = copy.run(quick);
        // Settings that cannot follow a saved timer are a warning; a data file that cannot be saved refuses
        // it.
        EXPECT_EQ(added.status, settingsBroken ? 0 : 1) << added.err;
        EXPECT_NE(added.err.find(settingsBroken ? "設定ファイルを保存できませんでした"
                                                : "データファイルを保存できませんでした"),
            std::string::npos)
            << added.err;
        EXPECT_EQ(rowsListed(copy.run(list)), settingsBroken ? 1 : 0);
        if (settingsBroken) {
            const std::optional<SharedTables> saved = sandbox.readTables();
            ASSERT_TRUE(saved.has_value());
            EXPECT_EQ(saved->alarms.alarmCount, 1);
        }
    }
}

} // namespace
} // namespace kvx::test
