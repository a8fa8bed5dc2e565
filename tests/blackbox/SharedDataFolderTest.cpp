#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

// Two computers reach one data folder (a network share, a synced folder): two
// copies of the program with their own homes and one data file. Each sees the
// other's saves while it runs, and neither writes over the other's changes.

namespace kvx::test {
namespace {

constexpr int kSeenBoundMs = 60000;
constexpr int kExitBoundMs = 20000;

pid_t residentOf(const QString& ready)
{
    return static_cast<pid_t>(fileBytes(ready).toLongLong());
}

// Whether the copy's --list comes to show (or to lack) `text` within the bound.
bool listShows(const QProcessEnvironment& env, const std::string& text, bool shown = true)
{
    const QDeadlineTimer deadline(kSeenBoundMs);
    do {
        const CommandRun run = runCommand(env, {QStringLiteral("--list")});
        if (run.status == 0 && (run.out.find("\t" + text + "\n") != std::string::npos) == shown) {
            return true;
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

// The copies run detached from the test: a failed check must not leave them behind.
struct Copies {
    std::vector<pid_t> pids;
    ~Copies()
    {
        for (const pid_t pid : pids) {
            if (pid > 0 && processAlive(pid)) {
                ::kill(pid, SIGKILL);
            }
        }
    }
};

TEST(SharedDataFolder, TwoCopiesSeeAndKeepEachOthersChanges)
{
    ProgramSandbox a;
    ProgramSandbox b;
    ASSERT_TRUE(a.isValid() && b.isValid());
    ASSERT_TRUE(a.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}}));
    ASSERT_TRUE(
        b.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}, {"DATAPATH", a.dataFile().toStdString()}}));
    SharedTables tables;
    for (const auto& [message, hour] : {std::pair{"朝会", 9}, std::pair{"夕礼", 17}}) {
        AlarmRecord daily;
        daily.kind = kKindDaily;
        daily.startTime = OleDate::fromCivil(2026, 1, 1, hour, 0);
        daily.endTime = daily.startTime;
        daily.message = message;
        tables.alarms.add(daily);
    }
    ASSERT_TRUE(a.writeTables(tables));
    const QString readyA = a.scratchFile(QStringLiteral("ready"));
    const QString readyB = b.scratchFile(QStringLiteral("ready"));
    const QProcessEnvironment envA = a.environment(readyA, QStringLiteral("offscreen"));
    const QProcessEnvironment envB = b.environment(readyB, QStringLiteral("offscreen"));

    ASSERT_EQ(runCommand(envA, {QStringLiteral("--list")}).status, 0);
    ASSERT_EQ(runCommand(envB, {QStringLiteral("--list")}).status, 0);
    const Copies copies{{residentOf(readyA), residentOf(readyB)}};
    ASSERT_TRUE(std::all_of(copies.pids.begin(), copies.pids.end(), processAlive))
        << "both copies are resident";
    // Each names its computer in a lock beside the data file.
    EXPECT_EQ(QDir(a.programDirectory()).entryList({QStringLiteral("Kalvendorix.dat.lock-*")}).size(), 2);

    EXPECT_EQ(
        runCommand(envA, {QStringLiteral("--quick"), QStringLiteral("30"), QStringLiteral("Aのタイマー")})
            .status,
        0);
    EXPECT_TRUE(listShows(envB, "Aのタイマー")) << "B sees A's timer";
    EXPECT_EQ(
        runCommand(envB, {QStringLiteral("--quick"), QStringLiteral("40"), QStringLiteral("Bのタイマー")})
            .status,
        0);
    EXPECT_TRUE(listShows(envA, "Bのタイマー")) << "A sees B's timer";

    // A third computer deletes an alarm; the sync service brings its file by a rename.
    std::optional<SharedTables> third = a.readTables();
    ASSERT_TRUE(third.has_value());
    ASSERT_EQ(third->alarms.alarmCount, 4);
    third->alarms.remove(1);
    ASSERT_TRUE(a.writeTables(*third));
    EXPECT_TRUE(listShows(envA, "夕礼", false)) << "A sees the deletion";
    EXPECT_TRUE(listShows(envB, "夕礼", false)) << "B sees the deletion";

    for (const QProcessEnvironment& env : {envA, envB}) {
        EXPECT_EQ(runCommand(env, {QStringLiteral("--quit")}).status, 0);
    }
    const QDeadlineTimer deadline(kExitBoundMs);
    while (std::any_of(copies.pids.begin(), copies.pids.end(), processAlive) && !deadline.hasExpired()) {
        QThread::msleep(50);
    }
    ASSERT_FALSE(std::any_of(copies.pids.begin(), copies.pids.end(), processAlive));
    const std::optional<SharedTables> saved = a.readTables();
    ASSERT_TRUE(saved.has_value());
    std::vector<std::string> messages;
    messages.reserve(static_cast<std::size_t>(saved->alarms.alarmCount));
    for (int i = 0; i < saved->alarms.alarmCount; ++i) {
        messages.push_back(saved->alarms.alarms[static_cast<std::size_t>(i)].message);
    }
    std::sort(messages.begin(), messages.end());
    EXPECT_EQ(messages, (std::vector<std::string>{"Aのタイマー", "Bのタイマー", "朝会"}));
    EXPECT_TRUE(QDir(a.programDirectory()).entryList({QStringLiteral("Kalvendorix.dat.lock-*")}).isEmpty());
}

} // namespace
} // namespace kvx::test
