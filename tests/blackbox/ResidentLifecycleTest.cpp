#include "core/Cp932.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QThread>

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

// The built program, started as the user's session starts it: resident in the
// background until a signal ends the session, with the data and settings files
// as the only trace it leaves.

namespace kvx::test {
namespace {

// Bounds, not expectations: the sanitizer build starts slowly on a busy machine.
constexpr int kResidentBoundMs = 30000;
constexpr int kExitBoundMs = 20000;
constexpr int kSecondCopyBoundMs = 5000;

const QString kOffscreen = QStringLiteral("offscreen");

// Settings a user left behind; the exit writes the window keys back and leaves
// the remembered alarm keys alone, no alarm having been saved meanwhile.
const std::vector<ProgramSandbox::Setting> kEarlierSettings = {
    {"STARTFLG", "0"},
    {"PORTNUM", "24680"},
    {"NOTIFYFLG", "0"},
    {"COPYACTION", "2"},
    {"MESSAGE", "会議室を予約!*#資料を印刷"},
};

OleDate today()
{
    return oleDateOf(QDateTime::currentDateTime());
}

// The row, and what the program said, for a failure message.
std::string context(const char* row, ResidentProcess& program)
{
    return std::string(row) + "\n" + program.output().toStdString();
}

std::string text(const std::optional<std::string>& value)
{
    return value.value_or("<missing>");
}

void expectSameTables(const SharedTables& actual, const SharedTables& expected, const char* row)
{
    EXPECT_EQ(actual.alarms.alarmCount, expected.alarms.alarmCount) << row;
    EXPECT_TRUE(actual.alarms == expected.alarms) << row;
    EXPECT_TRUE(actual.routines == expected.routines) << row;
    EXPECT_TRUE(actual.memos == expected.memos) << row;
}

// Every line of the settings file ends in CR LF, and the file is code page 932.
void expectWindowsText(const QByteArray& bytes, const char* row)
{
    EXPECT_TRUE(bytes.startsWith("[Kalvendorix]\r\n")) << row << ": " << bytes.left(40).toStdString();
    EXPECT_TRUE(bytes.endsWith("\r\n")) << row;
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << row;
    EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(toCp932("MESSAGE=会議室を予約!*#資料を印刷\r\n"))))
        << row;
}

struct SignalRow {
    const char* name;
    int signalNumber;
};

TEST(ResidentLifecycle, EachSessionEndSignalSavesEverythingAndExitsZero)
{
    const std::vector<SignalRow> rows = {
        {"SIGTERM as the session manager sends it", SIGTERM},
        {"SIGHUP when the session's terminal goes away", SIGHUP},
        {"SIGINT from Ctrl+C in a terminal", SIGINT},
    };
    for (const SignalRow& row : rows) {
        ProgramSandbox sandbox;
        ASSERT_TRUE(sandbox.isValid());
        const SharedTables tables = everydayTables(today());
        ASSERT_TRUE(sandbox.writeTables(tables));
        ASSERT_TRUE(sandbox.writeSettings(kEarlierSettings));
        const auto written = std::filesystem::last_write_time(sandbox.dataFile().toStdString());

        const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
        ResidentProcess program(sandbox.environment(ready, kOffscreen), ready);
        ASSERT_TRUE(program.start()) << row.name;
        ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << context(row.name, program);
        EXPECT_EQ(text(sandbox.setting("STARTFLG")), "1") << row.name;

        ASSERT_TRUE(program.sendSignal(row.signalNumber)) << row.name;
        EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << context(row.name, program);

        EXPECT_GT(std::filesystem::last_write_time(sandbox.dataFile().toStdString()), written)
            << row.name << ": the exit saves the data file anew";
        const std::optional<SharedTables> saved = sandbox.readTables();
        ASSERT_TRUE(saved.has_value()) << row.name;
        expectSameTables(*saved, tables, row.name);

        EXPECT_EQ(text(sandbox.setting("STARTFLG")), "0") << row.name;
        EXPECT_EQ(text(sandbox.setting("FORMFLAG")), "") << row.name;
        EXPECT_EQ(text(sandbox.setting("DEFFORM")), "0") << row.name;
        EXPECT_EQ(text(sandbox.setting("NOTIFYFLG")), "0") << row.name;
        EXPECT_EQ(text(sandbox.setting("PORTNUM")), "24680") << row.name;
        EXPECT_EQ(text(sandbox.setting("COPYACTION")), "2") << row.name;
        // The default data file is stored as an empty path.
        EXPECT_EQ(text(sandbox.setting("DATAPATH")), "") << row.name;
        EXPECT_EQ(text(sandbox.setting("PREFLAG")), "<missing>") << row.name;
        EXPECT_EQ(text(sandbox.setting("BLINKCNT")), "<missing>") << row.name;
        expectWindowsText(sandbox.settingsBytes(), row.name);
    }
}

struct SecondCopyRow {
    const char* name;
    std::optional<SharedTables> tables;
};

TEST(ResidentLifecycle, SecondCopyEndsAtOnceAndTouchesNothing)
{
    const std::vector<SecondCopyRow> rows = {
        {"a data file with alarms, memos and schedules", everydayTables(today())},
        {"no data file yet", std::nullopt},
    };
    for (const SecondCopyRow& row : rows) {
        ProgramSandbox sandbox;
        ASSERT_TRUE(sandbox.isValid());
        if (row.tables) {
            ASSERT_TRUE(sandbox.writeTables(*row.tables));
        }
        const QString firstReady = sandbox.scratchFile(QStringLiteral("first-ready"));
        ResidentProcess first(sandbox.environment(firstReady, kOffscreen), firstReady);
        ASSERT_TRUE(first.start()) << row.name;
        ASSERT_TRUE(first.waitUntilResident(kResidentBoundMs)) << context(row.name, first);
        const ProgramSandbox::Snapshot before = sandbox.snapshot();

        const QString secondReady = sandbox.scratchFile(QStringLiteral("second-ready"));
        ResidentProcess second(sandbox.environment(secondReady, kOffscreen), secondReady);
        ASSERT_TRUE(second.start()) << row.name;
        EXPECT_EQ(second.waitForExit(kSecondCopyBoundMs), std::optional<int>(0)) << context(row.name, second);
        EXPECT_FALSE(QFile::exists(secondReady)) << row.name;
        EXPECT_TRUE(sandbox.snapshot() == before) << row.name;
        EXPECT_EQ(QFile::exists(sandbox.dataFile()), row.tables.has_value()) << row.name;

        EXPECT_TRUE(first.isRunning()) << row.name;
        ASSERT_TRUE(first.sendSignal(SIGTERM)) << row.name;
        EXPECT_EQ(first.waitForExit(kExitBoundMs), std::optional<int>(0)) << row.name;
        EXPECT_EQ(text(sandbox.setting("STARTFLG")), "0") << row.name;
    }
}

// The process id of a program that has ended.
qint64 pidOfEndedProcess()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    if (!process.waitForStarted(5000)) {
        return -1;
    }
    const qint64 pid = process.processId();
    process.waitForFinished(5000);
    return pid;
}

struct StaleRow {
    const char* name;
    bool lockOfEndedProcess;
};

TEST(ResidentLifecycle, StaleRunningFlagCostsTwoWaitsThenStarts)
{
    const std::vector<StaleRow> rows = {
        {"flag left at 1 by a crash, no lock", false},
        {"flag left at 1 and the lock of a process that has ended", true},
    };
    for (const StaleRow& row : rows) {
        ProgramSandbox sandbox;
        ASSERT_TRUE(sandbox.isValid());
        ASSERT_TRUE(sandbox.writeTables(everydayTables(today())));
        ASSERT_TRUE(sandbox.writeSettings({{"STARTFLG", "1"}}));
        if (row.lockOfEndedProcess) {
            const qint64 pid = pidOfEndedProcess();
            ASSERT_GT(pid, 0);
            QFile lock(sandbox.runtimeDirectory() + QStringLiteral("/kalvendorix.lock"));
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
            lock.write(
                QByteArray::number(pid) + "\nkalvendorix\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }

        const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
        ResidentProcess program(sandbox.environment(ready, kOffscreen), ready);
        ASSERT_TRUE(program.start()) << row.name;
        ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << context(row.name, program);
        EXPECT_GE(program.msUntilResident(), 2000) << row.name;
        EXPECT_EQ(text(sandbox.setting("STARTFLG")), "1") << row.name;

        ASSERT_TRUE(program.sendSignal(SIGTERM)) << row.name;
        EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << row.name;
        EXPECT_EQ(text(sandbox.setting("STARTFLG")), "0") << row.name;
    }
}

// True once process `pid` catches `signalNumber` (its SigCgt mask in /proc).
bool waitUntilCatching(qint64 pid, int signalNumber, int boundMs)
{
    QElapsedTimer waited;
    waited.start();
    const QString path = QStringLiteral("/proc/%1/status").arg(pid);
    while (waited.elapsed() < boundMs) {
        QFile status(path);
        if (!status.open(QIODevice::ReadOnly)) {
            return false;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:")) {
                const unsigned long long mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
                if ((mask >> (signalNumber - 1)) & 1ULL) {
                    return true;
                }
            }
        }
        QThread::msleep(5);
    }
    return false;
}

// A logout or a service stop while the program still waits in its start gate
// (a crash left the running flag up) ends it promptly and leaves every alarm
// where it was.
TEST(ResidentLifecycle, ASessionEndDuringTheStartGateEndsPromptlyAndKeepsTheAlarms)
{
    struct Row {
        const char* name;
        int signalAfterMs;
        // So early that the default action of the signal ends the program.
        bool beforeItsHandler;
    };
    const Row rows[] = {
        {"at once", 10, true},
        {"as the gate begins", 0, false},
        {"in the first wait", 500, false},
        {"in the second wait", 1500, false},
    };
    for (const Row& row : rows) {
        ProgramSandbox sandbox;
        ASSERT_TRUE(sandbox.isValid());
        const SharedTables tables = everydayTables(today());
        ASSERT_TRUE(sandbox.writeTables(tables));
        ASSERT_TRUE(sandbox.writeSettings({{"STARTFLG", "1"}}));
        QFile data(sandbox.dataFile());
        ASSERT_TRUE(data.open(QIODevice::ReadOnly));
        const QByteArray before = data.readAll();
        data.close();

        const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
        ResidentProcess program(sandbox.environment(ready, kOffscreen), ready);
        ASSERT_TRUE(program.start()) << row.name;
        // The moment the end arrives is the point of the test: a real process
        // on the real clock, counted from when it handles SIGTERM (the gate
        // begins right after).
        if (!row.beforeItsHandler) {
            ASSERT_TRUE(waitUntilCatching(program.pid(), SIGTERM, kResidentBoundMs)) << row.name;
        }
        QThread::msleep(static_cast<unsigned long>(row.signalAfterMs));
        ASSERT_TRUE(program.sendSignal(SIGTERM)) << row.name;
        QElapsedTimer sinceSignal;
        sinceSignal.start();
        const std::optional<int> exitCode = program.waitForExit(kExitBoundMs);
        EXPECT_FALSE(program.isRunning()) << row.name;
        if (!row.beforeItsHandler) {
            EXPECT_EQ(exitCode, std::optional<int>(0)) << context(row.name, program);
        }
        // At most the rest of one wait, and the start of a sanitizer build.
        EXPECT_LT(sinceSignal.elapsed(), 8000) << row.name;

        ASSERT_TRUE(data.open(QIODevice::ReadOnly));
        EXPECT_EQ(data.readAll(), before) << row.name << ": the data file is left as it was";
        data.close();
        const std::optional<SharedTables> after = sandbox.readTables();
        ASSERT_TRUE(after.has_value()) << row.name;
        expectSameTables(*after, tables, row.name);
    }
}

} // namespace
} // namespace kvx::test
