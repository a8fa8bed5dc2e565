#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <array>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
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

// Two copies on one data folder, A's own and B's pointing there, started by a
// first command each.
struct TwoCopies {
    ProgramSandbox a;
    ProgramSandbox b;
    QProcessEnvironment envA;
    QProcessEnvironment envB;
    Copies copies;

    bool start(const SharedTables& tables)
    {
        if (!a.isValid() || !b.isValid() || !a.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}})
            || !b.writeSettings(
                {{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}, {"DATAPATH", a.dataFile().toStdString()}})
            || !a.writeTables(tables)) {
            return false;
        }
        const QString readyA = a.scratchFile(QStringLiteral("ready"));
        const QString readyB = b.scratchFile(QStringLiteral("ready"));
        envA = a.environment(readyA, QStringLiteral("offscreen"));
        envB = b.environment(readyB, QStringLiteral("offscreen"));
        if (runCommand(envA, {QStringLiteral("--list")}).status != 0
            || runCommand(envB, {QStringLiteral("--list")}).status != 0) {
            return false;
        }
        copies.pids = {residentOf(readyA), residentOf(readyB)};
        return std::all_of(copies.pids.begin(), copies.pids.end(), processAlive);
    }

    // Both end by their --quit; whether they did within the bound.
    bool quit()
    {
        for (const QProcessEnvironment& env : {envA, envB}) {
            runCommand(env, {QStringLiteral("--quit")});
        }
        const QDeadlineTimer deadline(kExitBoundMs);
        while (std::any_of(copies.pids.begin(), copies.pids.end(), processAlive) && !deadline.hasExpired()) {
            QThread::msleep(50);
        }
        return std::none_of(copies.pids.begin(), copies.pids.end(), processAlive);
    }

    std::vector<std::string> messagesInFile() const
    {
        const std::optional<SharedTables> saved = a.readTables();
        std::vector<std::string> messages;
        for (int i = 0; saved && i < saved->alarms.alarmCount; ++i) {
            messages.push_back(saved->alarms.alarms[static_cast<std::size_t>(i)].message);
        }
        std::sort(messages.begin(), messages.end());
        return messages;
    }
};

TEST(SharedDataFolder, TwoCopiesSeeAndKeepEachOthersChanges)
{
    TwoCopies two;
    SharedTables tables;
    for (const auto& [message, hour] : {std::pair{"朝会", 9}, std::pair{"夕礼", 17}}) {
        AlarmRecord daily;
        daily.kind = kKindDaily;
        daily.startTime = OleDate::fromCivil(2026, 1, 1, hour, 0);
        daily.endTime = daily.startTime;
        daily.message = message;
        tables.alarms.add(daily);
    }
    ASSERT_TRUE(two.start(tables)) << "both copies are resident";
    const ProgramSandbox& a = two.a;
    // Each names its computer in a lock beside the data file.
    EXPECT_EQ(QDir(a.programDirectory()).entryList({QStringLiteral("Kalvendorix.dat.lock-*")}).size(), 2);

    EXPECT_EQ(
        runCommand(two.envA, {QStringLiteral("--quick"), QStringLiteral("30"), QStringLiteral("Aのタイマー")})
            .status,
        0);
    EXPECT_TRUE(listShows(two.envB, "Aのタイマー")) << "B sees A's timer";
    EXPECT_EQ(
        runCommand(two.envB, {QStringLiteral("--quick"), QStringLiteral("40"), QStringLiteral("Bのタイマー")})
            .status,
        0);
    EXPECT_TRUE(listShows(two.envA, "Bのタイマー")) << "A sees B's timer";

    // A third computer deletes an alarm; the sync service brings its file by a rename.
    std::optional<SharedTables> third = a.readTables();
    ASSERT_TRUE(third.has_value());
    ASSERT_EQ(third->alarms.alarmCount, 4);
    third->alarms.remove(1);
    ASSERT_TRUE(a.writeTables(*third));
    EXPECT_TRUE(listShows(two.envA, "夕礼", false)) << "A sees the deletion";
    EXPECT_TRUE(listShows(two.envB, "夕礼", false)) << "B sees the deletion";

    ASSERT_TRUE(two.quit());
    EXPECT_EQ(two.messagesInFile(), (std::vector<std::string>{"Aのタイマー", "Bのタイマー", "朝会"}));
    EXPECT_TRUE(QDir(a.programDirectory()).entryList({QStringLiteral("Kalvendorix.dat.lock-*")}).isEmpty());
}

// Both copies are asked for a timer at the same moment, round after round:
// every command that says it succeeded has its timer in the file, and both
// copies come to list all of them.
TEST(SharedDataFolder, SavesAtTheSameMomentLoseNothing)
{
    constexpr int kRounds = 40;
    TwoCopies two;
    ASSERT_TRUE(two.start({}));
    std::vector<std::string> succeeded;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < kRounds; ++round) {
        std::array<QProcess, 2> commands;
        const std::array<std::string, 2> messages{"A" + std::to_string(round), "B" + std::to_string(round)};
        for (std::size_t side = 0; side < 2; ++side) {
            commands[side].setProcessEnvironment(side == 0 ? two.envA : two.envB);
            commands[side].start(ResidentProcess::programPath(),
                {QStringLiteral("--quick"), QStringLiteral("30"), QString::fromStdString(messages[side])});
        }
        for (std::size_t side = 0; side < 2; ++side) {
            ASSERT_TRUE(commands[side].waitForFinished(kSeenBoundMs)) << messages[side];
            const bool ok
                = commands[side].exitStatus() == QProcess::NormalExit && commands[side].exitCode() == 0;
            EXPECT_TRUE(ok) << messages[side] << ": " << commands[side].readAllStandardError().toStdString();
            if (ok) {
                succeeded.push_back(messages[side]);
            }
        }
    }
    std::cout << 2 * kRounds << " commands through two copies in " << timer.elapsed() << " ms\n";
    std::sort(succeeded.begin(), succeeded.end());
    std::vector<std::string> inFile = two.messagesInFile();
    std::vector<std::string> missing;
    std::set_difference(
        succeeded.begin(), succeeded.end(), inFile.begin(), inFile.end(), std::back_inserter(missing));
    EXPECT_TRUE(missing.empty()) << missing.size() << " timers said saved are not in the file, the first "
                                 << (missing.empty() ? "" : missing.front());
    EXPECT_EQ(inFile.size(), static_cast<std::size_t>(2 * kRounds));
    for (const std::string& last : {"A" + std::to_string(kRounds - 1), "B" + std::to_string(kRounds - 1)}) {
        EXPECT_TRUE(listShows(two.envA, last) && listShows(two.envB, last)) << last;
    }
    for (const QProcessEnvironment& env : {two.envA, two.envB}) {
        const CommandRun list = runCommand(env, {QStringLiteral("--list")});
        EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2 * kRounds) << list.out;
    }
    ASSERT_TRUE(two.quit());
    EXPECT_EQ(two.messagesInFile().size(), static_cast<std::size_t>(2 * kRounds)) << "the exits lost nothing";
}

} // namespace
} // namespace kvx::test
