#include "tests/blackbox/DesktopProbe.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <gtest/gtest.h>

// An alarm rings in the built program on a real X server and a real sound
// server (the test command starts both; see scripts/test-stack). The program
// runs under libfaketime with its wall clock set a few seconds before the
// alarm's minute, so the test does not wait for a minute of the real clock.
// Only the wall clock is faked: the program's timers and the sound stack run
// on the real monotonic clock.

namespace kvx::test {
namespace {

constexpr int kResidentBoundMs = 30000;
constexpr int kExitBoundMs = 20000;
// The alarm's minute is kLeadSeconds away; the rest is slack for a busy machine.
constexpr int kRingBoundMs = 30000;
constexpr int kShowBoundMs = 10000;
constexpr int kPollMs = 50;
// The program needs this long to start before the alarm's minute begins.
constexpr int kLeadSeconds = 10;

const QString kAlarmTitle = QStringLiteral("Kalvendorix (アラーム)");
const QString kFakeTimeLibrary = QStringLiteral(KVX_FAKETIME_LIBRARY);

bool desktopStackUp()
{
    return qgetenv("KVX_SOUND_SERVER") == "1" && !qgetenv("DISPLAY").isEmpty();
}

// The program's wall clock runs `offsetSeconds` ahead of the real one.
void fakeWallClock(QProcessEnvironment& env, qint64 offsetSeconds)
{
    const QString preload = env.value(QStringLiteral("LD_PRELOAD"));
    env.insert(QStringLiteral("LD_PRELOAD"),
        preload.isEmpty() ? kFakeTimeLibrary : kFakeTimeLibrary + u':' + preload);
    env.insert(QStringLiteral("FAKETIME"),
        QStringLiteral("%1%2").arg(offsetSeconds < 0 ? "" : "+").arg(offsetSeconds));
    env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
    env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    env.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
    // The sanitizer runtime insists on being the first library loaded; the
    // preloaded clock comes before it and replaces none of its functions.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
        asan.isEmpty() ? QStringLiteral("verify_asan_link_order=0")
                       : asan + QStringLiteral(":verify_asan_link_order=0"));
}

template <typename Check> bool pollUntil(int boundMs, Check check)
{
    const QDeadlineTimer deadline(boundMs);
    while (!deadline.hasExpired()) {
        if (check()) {
            return true;
        }
        QThread::msleep(kPollMs);
    }
    return check();
}

// CI runs every test: there a missing server or tool is a failure, not a skip.
#define KVX_REQUIRE_DESKTOP(missing)                                                                         \
    do {                                                                                                     \
        if (!(missing).isEmpty()) {                                                                          \
            if (qgetenv("CI") == "true") {                                                                   \
                FAIL() << "CI=true and this is missing: " << (missing).toStdString();                        \
            }                                                                                                \
            GTEST_SKIP() << "needs " << (missing).toStdString();                                             \
        }                                                                                                    \
    } while (false)

QString missingForRing()
{
    if (!desktopStackUp()) {
        return QStringLiteral("the X server and the sound server of the test command");
    }
    if (kFakeTimeLibrary.isEmpty()) {
        return QStringLiteral("libfaketime (scripts/install-deps installs it)");
    }
    return {};
}

const QString kPython = QStringLiteral("/usr/bin/python3");

// What a user's session has besides the X server: a notification area and a
// session bus with the accessibility bus, through which the editor's controls
// are found by name.
QString missingForEditor()
{
    QString missing = missingForRing();
    if (!missing.isEmpty()) {
        return missing;
    }
    for (const char* tool : {"trayer", "xdotool", "dbus-daemon"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            return QStringLiteral("%1 (scripts/install-deps installs it)").arg(QLatin1String(tool));
        }
    }
    if (QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0) {
        return QStringLiteral("python3-pyatspi (scripts/install-deps installs it)");
    }
    return {};
}

// A helper process of the test, ended with the test.
class Helper {
public:
    Helper(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
    {
        m_process.setProcessEnvironment(env);
        m_process.start(program, arguments);
    }
    ~Helper()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

TEST(AlarmRing, DailyAlarmShowsItsWindowAndPlaysItsSoundAtItsMinute)
{
    KVX_REQUIRE_DESKTOP(missingForRing());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString sound = sandbox.scratchFile(QStringLiteral("目覚まし.wav"));
    QFile wave(sound);
    ASSERT_TRUE(wave.open(QIODevice::WriteOnly));
    wave.write(waveBytes(3000));
    wave.close();

    // Tomorrow at 7:00 in the program's clock, which starts kLeadSeconds before.
    const QDateTime minute(QDate::currentDate().addDays(1), QTime(7, 0));
    const qint64 offset = QDateTime::currentDateTime().secsTo(minute) - kLeadSeconds;
    const auto programNow = [offset] { return QDateTime::currentDateTime().addSecs(offset); };
    SharedTables tables = everydayTables(oleDateOf(minute));
    const int index = tables.alarms.alarmCount;
    tables.alarms.add(dailyAlarm(oleDateOf(minute), sound.toStdString()));
    ASSERT_TRUE(sandbox.writeTables(tables));

    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    QProcessEnvironment env = sandbox.environment(ready, QStringLiteral("xcb"));
    fakeWallClock(env, offset);
    ResidentProcess program(env, ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    ASSERT_LT(programNow(), minute) << "started too late to see the alarm's minute begin";
    EXPECT_FALSE(DesktopProbe::windowWithTitle(kAlarmTitle).has_value());

    std::optional<QString> window;
    ASSERT_TRUE(pollUntil(kRingBoundMs, [&] {
        return (window = DesktopProbe::windowWithTitle(kAlarmTitle)).has_value();
    })) << program.output().toStdString();
    EXPECT_GE(programNow(), minute);
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::isViewable(*window); }));
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::playingStreamsOf(program.pid()) > 0; }))
        << program.output().toStdString();

    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();

    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, tables.alarms.alarmCount);
    const auto& rung = saved->alarms.alarms[static_cast<std::size_t>(index)];
    EXPECT_EQ(rung.lastAlarm.formatDateTime(), oleDateOf(minute).formatDateTime());
    EXPECT_TRUE(rung.lastPreAlarm.isZero());
    for (int i = 0; i < index; ++i) {
        EXPECT_TRUE(saved->alarms.alarms[static_cast<std::size_t>(i)]
            == tables.alarms.alarms[static_cast<std::size_t>(i)])
            << "alarm " << i << " did not ring and must come back unchanged";
    }
}

// A user opens the editor from the tray menu, adds a daily alarm through its
// controls and confirms with "ＯＫ": the data file holds the alarm, and the
// alarm rings at its minute.
TEST(AlarmRing, AlarmAddedInTheEditorIsSavedAndRingsAtItsMinute)
{
    KVX_REQUIRE_DESKTOP(missingForEditor());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    // Devices already chosen, and the old screen mode, in which the tray's
    // "編集" opens the editor rather than the calendar.
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "KvxTestSinkA"}, {"DEFFORM", "1"}}));
    ASSERT_TRUE(sandbox.writeTables(SharedTables()));

    // A private session bus with its accessibility bus, and a notification area.
    QProcessEnvironment env
        = sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("xcb"));
    Helper bus(QStringLiteral("dbus-daemon"),
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")}, env);
    ASSERT_TRUE(bus.process().waitForReadyRead(10000)) << "the session bus did not start";
    const QString address = QString::fromLocal8Bit(bus.process().readLine()).trimmed();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    // The session's accessibility bus runs before its programs start.
    QProcess registry;
    registry.setProcessEnvironment(env);
    registry.start(
        kPython, {QStringLiteral("-c"), QStringLiteral("import pyatspi; pyatspi.Registry.getDesktop(0)")});
    ASSERT_TRUE(registry.waitForFinished(20000) && registry.exitCode() == 0)
        << registry.readAllStandardError().toStdString();
    Helper tray(QStringLiteral("trayer"),
        {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("left"),
            QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
            QStringLiteral("32")},
        env);
    ASSERT_TRUE(tray.process().waitForStarted(5000));
    ASSERT_TRUE(pollUntil(
        kShowBoundMs, [] { return DesktopProbe::windowWithTitle(QStringLiteral("panel")).has_value(); }));

    // Tomorrow at 7:00 in the program's clock, which starts kEditorLeadSeconds before.
    constexpr int kEditorLeadSeconds = 40;
    const QDateTime minute(QDate::currentDate().addDays(1), QTime(7, 0));
    const qint64 offset = QDateTime::currentDateTime().secsTo(minute) - kEditorLeadSeconds;
    const auto programNow = [offset] { return QDateTime::currentDateTime().addSecs(offset); };
    // The user's tools run on the real clock, only the program on the faked one.
    const QProcessEnvironment userEnv = env;
    fakeWallClock(env, offset);
    ResidentProcess program(env, sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();

    const QString message = QStringLiteral("Blackbox alarm");
    QProcess user;
    user.setProcessEnvironment(userEnv);
    user.start(kPython,
        {QStringLiteral(KVX_SOURCE_DIR "/tests/blackbox/drive_editor.py"), QString::number(program.pid()),
            QStringLiteral("0700"), message});
    ASSERT_TRUE(user.waitForFinished(90000)) << "the editor was not done with in 90 s";
    ASSERT_EQ(user.exitCode(), 0) << user.readAllStandardError().toStdString()
                                  << program.output().toStdString();
    ASSERT_LT(programNow(), minute) << "the editor took too long to see the alarm's minute begin";

    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, 1);
    const AlarmRecord& added = saved->alarms.alarms[0];
    EXPECT_EQ(added.kind, kKindDaily);
    EXPECT_EQ(added.message, message.toStdString());
    EXPECT_EQ(added.startTime.minuteOfDay(), 7 * 60);

    EXPECT_TRUE(pollUntil(kRingBoundMs + kEditorLeadSeconds * 1000, [] {
        return DesktopProbe::windowWithTitle(kAlarmTitle).has_value();
    })) << program.output().toStdString();
    EXPECT_GE(programNow(), minute);
    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
    const std::optional<SharedTables> rung = sandbox.readTables();
    ASSERT_TRUE(rung.has_value() && rung->alarms.alarmCount == 1);
    EXPECT_EQ(rung->alarms.alarms[0].lastAlarm.formatDateTime(), oleDateOf(minute).formatDateTime());
}

} // namespace
} // namespace kvx::test
