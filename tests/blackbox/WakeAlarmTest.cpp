#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <string>

// With "WAKEUPFLG" on, a helper of the program holds a timer on the kernel's
// alarm clock (clockid 8, CLOCK_REALTIME_ALARM) for the next bell less a lead
// of a minute; the test runs as root, which may make one.

namespace kvx::test {
namespace {

constexpr int kArmedBoundMs = 20000;
constexpr int kLeadSeconds = 60;

// The children of `parent` named kalvendorix-wake (its first 15 letters).
std::optional<pid_t> wakeHelperOf(pid_t parent)
{
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = fileBytes(QStringLiteral("/proc/%1/stat").arg(entry));
        // "pid (comm) state ppid ..."
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0 || !stat.contains("(kalvendorix-wak)")) {
            continue;
        }
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent) {
            return static_cast<pid_t>(entry.toLongLong());
        }
    }
    return std::nullopt;
}

// The seconds left on the process's timer on the alarm clock, if it holds one.
std::optional<long long> alarmTimerSeconds(pid_t pid)
{
    const QString folder = QStringLiteral("/proc/%1/fdinfo").arg(pid);
    for (const QString& fd : QDir(folder).entryList(QDir::Files)) {
        const QByteArray info = fileBytes(folder + QLatin1Char('/') + fd);
        if (!info.contains("clockid: 8\n")) {
            continue;
        }
        const qsizetype at = info.indexOf("it_value: (");
        if (at >= 0) {
            return info.mid(at + 11).split(',').front().toLongLong();
        }
    }
    return std::nullopt;
}

// Polls until the helper's timer is within [low, high] seconds.
std::optional<long long> armedWithin(pid_t program, long long low, long long high)
{
    std::optional<long long> seconds;
    const QDeadlineTimer deadline(kArmedBoundMs);
    do {
        if (const std::optional<pid_t> helper = wakeHelperOf(program)) {
            seconds = alarmTimerSeconds(*helper);
            if (seconds && *seconds >= low && *seconds <= high) {
                return seconds;
            }
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return seconds;
}

TEST(WakeAlarm, TheHelperHoldsATimerForTheNextBellOnlyWhileTheOptionIsOn)
{
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "WAKEUPFLG=1" : "WAKEUPFLG=0");
        ProgramSandbox sandbox;
        ASSERT_TRUE(
            sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}, {"WAKEUPFLG", on ? "1" : "0"}}));
        // A bell within 29 to 30 minutes: its minute 30 minutes on.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime bell = now.addSecs(30 * 60);
        SharedTables tables;
        AlarmRecord once;
        once.kind = kKindOnce;
        once.startTime = oleDateOf(QDateTime(bell.date(), QTime(bell.time().hour(), bell.time().minute())));
        once.endTime = once.startTime;
        once.message = "会議";
        tables.alarms.add(once);
        ASSERT_TRUE(sandbox.writeTables(tables));
        const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
        const QProcessEnvironment env = sandbox.environment(ready, QStringLiteral("offscreen"));
        ResidentProcess program(env, ready);
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.waitUntilResident(60000)) << program.output().toStdString();
        const auto pid = static_cast<pid_t>(program.pid());

        if (on) {
            const std::optional<long long> first
                = armedWithin(pid, 28 * 60 - kLeadSeconds, 30 * 60 - kLeadSeconds);
            ASSERT_TRUE(first.has_value()) << "no timer on the alarm clock";
            EXPECT_GE(*first, 28 * 60 - kLeadSeconds);
            EXPECT_LE(*first, 30 * 60 - kLeadSeconds);
            EXPECT_EQ(runCommand(env, {QStringLiteral("--quick"), QStringLiteral("10")}).status, 0);
            const std::optional<long long> quick
                = armedWithin(pid, 9 * 60 - kLeadSeconds, 10 * 60 - kLeadSeconds);
            ASSERT_TRUE(quick.has_value());
            EXPECT_GE(*quick, 9 * 60 - kLeadSeconds) << "the quick timer's bell, a lead early";
            EXPECT_LE(*quick, 10 * 60 - kLeadSeconds);
            // A helper killed is started again, and armed again.
            const std::optional<pid_t> killed = wakeHelperOf(pid);
            ASSERT_TRUE(killed.has_value());
            ::kill(*killed, SIGKILL);
            const QDeadlineTimer restarted(20000);
            std::optional<pid_t> again;
            while (!restarted.hasExpired() && (!(again = wakeHelperOf(pid)) || *again == *killed)) {
                QThread::msleep(100);
            }
            ASSERT_TRUE(again.has_value() && *again != *killed) << "no helper after the first one was killed";
            EXPECT_TRUE(armedWithin(pid, 9 * 60 - kLeadSeconds, 10 * 60 - kLeadSeconds).has_value());
        } else {
            // The start-up and a change of the tables are past: nothing was started.
            EXPECT_EQ(runCommand(env, {QStringLiteral("--quick"), QStringLiteral("10")}).status, 0);
            EXPECT_FALSE(wakeHelperOf(pid).has_value());
            EXPECT_FALSE(alarmTimerSeconds(pid).has_value());
        }
        const std::optional<pid_t> helper = wakeHelperOf(pid);
        ASSERT_TRUE(program.sendSignal(SIGTERM));
        EXPECT_EQ(program.waitForExit(20000), std::optional<int>(0)) << program.output().toStdString();
        if (helper) {
            const QDeadlineTimer deadline(5000);
            while (processAlive(*helper) && !deadline.hasExpired()) {
                QThread::msleep(50);
            }
            EXPECT_FALSE(processAlive(*helper)) << "the helper ends with the program";
        }
    }
}

// The helper answers every line it is given, whatever the line holds.
TEST(WakeAlarm, TheHelperAnswersEachLineEvenOneWithANulByte)
{
    QProcess helper;
    helper.start(
        QFileInfo(ResidentProcess::programPath()).dir().filePath(QStringLiteral("kalvendorix-wake")), {});
    ASSERT_TRUE(helper.waitForStarted(5000));
    ASSERT_TRUE(helper.waitForReadyRead(5000));
    const QByteArray ready = helper.readLine().trimmed();
    if (ready != "ready") {
        GTEST_SKIP() << "no wake alarm here (" << helper.readAllStandardError().toStdString()
                     << "): the answers are checked where the helper may hold its timer";
    }
    helper.write(QByteArray("12\0 34\n", 7) + "off\n" + QByteArray(40, '9') + "\noff\n");
    helper.closeWriteChannel();
    ASSERT_TRUE(helper.waitForFinished(5000));
    EXPECT_EQ(helper.readAllStandardOutput(), QByteArray("refused\noff\nrefused\noff\n"));
}

} // namespace
} // namespace kvx::test
