#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/types.h>

// The commands of the terminal against the built program: with no copy
// running, the first one starts a copy that stays resident; later ones are
// carried out by it. Refusals end non-zero and leave the data file as it was.

namespace kvx::test {
namespace {

constexpr int kExitBoundMs = 20000;

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

TEST(TerminalCommands, QuickListAndNextStartACopyOrAskTheRunningOne)
{
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}}));
    SharedTables tables;
    AlarmRecord daily;
    daily.kind = kKindDaily;
    daily.startTime = OleDate::fromCivil(2026, 1, 1, 23, 59);
    daily.endTime = daily.startTime;
    daily.message = "日報";
    tables.alarms.add(daily);
    ASSERT_TRUE(sandbox.writeTables(tables));
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    const QProcessEnvironment env = sandbox.environment(ready, QStringLiteral("offscreen"));

    // No copy runs: one is started, answers, and stays.
    const CommandRun listed = runCommand(env, {QStringLiteral("--list")});
    EXPECT_EQ(listed.status, 0) << listed.err << listed.out;
    EXPECT_NE(listed.out.find(" 毎日 "), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\t日報\n"), std::string::npos) << listed.out;
    ASSERT_FALSE(bytesOf(ready).isEmpty()) << "the started copy is resident";
    const auto resident = static_cast<pid_t>(bytesOf(ready).toLongLong());
    ASSERT_GT(resident, 0);
    EXPECT_TRUE(processAlive(resident));
    // The copy runs detached from this test: a failed check must not leave it behind.
    const std::unique_ptr<const pid_t, void (*)(const pid_t*)> reaper(&resident, [](const pid_t* pid) {
        if (processAlive(*pid)) {
            ::kill(*pid, SIGKILL);
        }
    });

    const CommandRun added
        = runCommand(env, {QStringLiteral("--quick"), QStringLiteral("30"), QStringLiteral("お茶")});
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.out.find(" ｸｲｯｸ "), std::string::npos) << added.out;
    std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, 2) << "saved at once" << listed.out;
    EXPECT_EQ(saved->alarms.alarms[1].kind, kKindQuick);
    EXPECT_EQ(saved->alarms.alarms[1].message, "お茶");

    const CommandRun next = runCommand(env, {QStringLiteral("--next")});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(next.out.rfind("あと", 0), 0U) << next.out;
    EXPECT_EQ(next.out.back(), '\n');

    const QByteArray before = bytesOf(sandbox.dataFile());
    for (const QStringList& refused : {QStringList{QStringLiteral("--quick"), QStringLiteral("0")},
             QStringList{QStringLiteral("--quick"), QStringLiteral("1441")},
             QStringList{QStringLiteral("--quick"), QStringLiteral("5"), QStringLiteral("茶🍵")},
             QStringList{QStringLiteral("--list"), QStringLiteral("--date"), QStringLiteral("2026-02-30")},
             QStringList{QStringLiteral("--quick")}}) {
        const CommandRun run = runCommand(env, refused);
        EXPECT_NE(run.status, 0) << refused.join(u' ').toStdString();
        EXPECT_EQ(run.out, "") << refused.join(u' ').toStdString();
        EXPECT_EQ(run.err.rfind("kalvendorix: ", 0), 0U) << run.err;
    }
    EXPECT_EQ(bytesOf(sandbox.dataFile()), before);

    EXPECT_EQ(runCommand(env, {QStringLiteral("--quit")}).status, 0);
    const QDeadlineTimer deadline(kExitBoundMs);
    while (processAlive(resident) && !deadline.hasExpired()) {
        QThread::msleep(50);
    }
    EXPECT_FALSE(processAlive(resident));
}

} // namespace
} // namespace kvx::test
