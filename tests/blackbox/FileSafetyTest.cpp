#include "core/WholeFile.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <filesystem>
#include <gtest/gtest.h>
#include <csignal>
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

bool writeWhole(const QString& path, bool withDailyAlarm)
{
    QProcess writer;
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
        writer.start(
            QCoreApplication::applicationFilePath(), writerArguments(sandbox.dataFile(), save % 2 == 0));
        ASSERT_TRUE(writer.waitForStarted(kWriterBoundMs)) << save;
        const std::string temporary
            = temporaryPathFor(sandbox.dataFile().toStdString(), static_cast<pid_t>(writer.processId()));
        while (!std::filesystem::exists(temporary) && !writer.waitForFinished(1)) { }
        QThread::usleep(static_cast<unsigned long>(save % 10) * 1500);
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(kWriterBoundMs)) << save;
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

} // namespace
} // namespace kvx::test
