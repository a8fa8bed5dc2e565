#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <algorithm>
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

// Answers longer than a line of old (64 KiB) reach the terminal whole: the
// rows of a few thousand alarms, and the next alarm's long message.
TEST(TerminalCommands, LongAnswersArriveWhole)
{
    ProgramSandbox sandbox;
    const OleDate now = oleDateOf(QDateTime::currentDateTime());
    SharedTables tables;
    for (int i = 0; i < 3000; ++i) {
        AlarmRecord later;
        later.kind = kKindOnce;
        later.startTime = OleDate::fromCivil(2030, 1 + i % 12, 1 + i % 28, i % 24, i % 60);
        later.endTime = later.startTime;
        later.message = "予定 " + std::to_string(i);
        tables.alarms.add(later);
    }
    AlarmRecord next;
    next.kind = kKindQuick;
    next.startTime = now.plusSeconds(600);
    next.endTime = next.startTime;
    for (int i = 0; i < 7000; ++i) {
        next.message += "あ";
    }
    tables.alarms.add(next);
    ASSERT_TRUE(sandbox.writeTables(tables));
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    ResidentProcess program(sandbox.environment(ready, QStringLiteral("offscreen")), ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(60000)) << program.output().toStdString();
    const QProcessEnvironment env = sandbox.environment(ready, QStringLiteral("offscreen"));
    const CommandRun listed = runCommand(env, {QStringLiteral("--list")});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 3001);
    const CommandRun told = runCommand(env, {QStringLiteral("--next")});
    EXPECT_EQ(told.status, 0) << told.err;
    EXPECT_NE(told.out.find("\t" + next.message + "\n"), std::string::npos) << told.out.substr(0, 200);
    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0));
}

int openDescriptors(qint64 pid)
{
    return static_cast<int>(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                                .size());
}

// A local process floods the socket of a copy that has few descriptors to
// spare: the copy keeps listening (an accept that finds no descriptor waits
// and tries again), never removes its socket, and answers once the flood ends.
TEST(TerminalCommands, AFloodOfConnectionsLeavesTheCopyReachable)
{
    ProgramSandbox sandbox;
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    const QProcessEnvironment env = sandbox.environment(ready, QStringLiteral("offscreen"));
    const QString socket = sandbox.runtimeDirectory() + QStringLiteral("/kalvendorix.socket");
    int idle = 0;
    {
        ResidentProcess measured(env, ready);
        ASSERT_TRUE(measured.start());
        ASSERT_TRUE(measured.waitUntilResident(60000)) << measured.output().toStdString();
        idle = openDescriptors(measured.pid());
        ASSERT_TRUE(measured.sendSignal(SIGTERM));
        measured.waitForExit(kExitBoundMs);
    }
    ASSERT_GT(idle, 0);
    // Room for a handful of connections beyond what the copy holds at rest.
    const QString limit = QStringLiteral("--nofile=%1").arg(idle + 8);
    ResidentProcess flooded(env, ready, {QStringLiteral("prlimit"), limit, QStringLiteral("--")});
    ASSERT_TRUE(flooded.start());
    ASSERT_TRUE(flooded.waitUntilResident(60000)) << flooded.output().toStdString();
    ASSERT_EQ(runCommand(env, {QStringLiteral("--next")}).status, 0);
    std::vector<std::unique_ptr<QLocalSocket>> flood;
    // Many more than the copy has descriptors for, and than its backlog holds.
    for (int i = 0; i < 100; ++i) {
        flood.push_back(std::make_unique<QLocalSocket>());
        flood.back()->connectToServer(socket);
        flood.back()->waitForConnected(100);
    }
    // The copy takes what it can of the flood meanwhile.
    QThread::msleep(500);
    EXPECT_TRUE(QFile::exists(socket)) << "the socket stays while the copy runs";
    flood.clear();
    const CommandRun next = runCommand(env, {QStringLiteral("--next")});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(flooded.isRunning());
    ASSERT_TRUE(flooded.sendSignal(SIGTERM));
    EXPECT_EQ(flooded.waitForExit(kExitBoundMs), std::optional<int>(0)) << flooded.output().toStdString();
}

// A whole table written to an iCalendar file from one home and read into an
// empty one: the same records byte for byte (last rings aside) under the same
// UIDs, and a second reader (python3-icalendar) finds every event.
TEST(TerminalCommands, AlarmsTravelToAnEmptyHomeThroughAnICalendarFile)
{
    ProgramSandbox from;
    ProgramSandbox to;
    ASSERT_TRUE(from.isValid() && to.isValid());
    SharedTables tables = everydayTables(oleDateOf(QDateTime::currentDateTime()));
    tables.routines = {}; // written out only: it never comes back
    for (int i = 0; i < tables.alarms.alarmCount; ++i) {
        tables.alarms.alarms[static_cast<std::size_t>(i)].lastAlarm = {};
    }
    ASSERT_TRUE(from.writeTables(tables));
    for (const ProgramSandbox* home : {&from, &to}) {
        ASSERT_TRUE(home->writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}}));
    }
    const QProcessEnvironment envFrom
        = from.environment(from.scratchFile(QStringLiteral("ready")), QStringLiteral("offscreen"));
    const QProcessEnvironment envTo
        = to.environment(to.scratchFile(QStringLiteral("ready")), QStringLiteral("offscreen"));
    const QString file = from.scratchFile(QStringLiteral("予定.ics"));
    const CommandRun exported = runCommand(envFrom, {QStringLiteral("--export"), file});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const CommandRun imported = runCommand(envTo, {QStringLiteral("--import"), file});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const CommandRun again = runCommand(envTo, {QStringLiteral("--import"), file});
    EXPECT_NE(again.out.find("0件を読み込みました。"), std::string::npos) << again.out;

    // Both homes write the same calendar, but for the time of writing.
    const auto calendarOf = [](const QProcessEnvironment& env) {
        std::string text = runCommand(env, {QStringLiteral("--export"), QStringLiteral("-")}).out;
        std::string kept;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end - at + 1);
            kept += line.starts_with("DTSTAMP:") ? "" : line;
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return kept;
    };
    const std::string sent = calendarOf(envFrom);
    EXPECT_NE(sent.find("UID:kvx-"), std::string::npos);
    EXPECT_EQ(calendarOf(envTo), sent);
    const std::optional<SharedTables> arrived = to.readTables();
    ASSERT_TRUE(arrived.has_value());
    int quickTimers = 0;
    for (int i = 0; i < tables.alarms.alarmCount; ++i) {
        quickTimers += tables.alarms.alarms[static_cast<std::size_t>(i)].kind == kKindQuick ? 1 : 0;
    }
    EXPECT_EQ(arrived->alarms.alarmCount + quickTimers, tables.alarms.alarmCount);

    QProcess reader;
    // Debian's Python, which python3-icalendar is installed for.
    reader.start(QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
            QStringLiteral(
                "import icalendar,sys;print(len(icalendar.Calendar.from_ical(open(sys.argv[1],'rb').read())"
                ".walk('VEVENT')))"),
            file});
    ASSERT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    EXPECT_EQ(reader.readAllStandardOutput().trimmed().toInt(), arrived->alarms.alarmCount);
    for (const QProcessEnvironment& env : {envFrom, envTo}) {
        runCommand(env, {QStringLiteral("--quit")});
    }
}

} // namespace
} // namespace kvx::test
