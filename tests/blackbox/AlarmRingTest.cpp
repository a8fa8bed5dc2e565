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
#include <memory>
#include <optional>

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

// A user's desktop session on the test's X server: a private session bus with
// its accessibility bus, and a notification area.
class UserSession {
public:
    explicit UserSession(const ProgramSandbox& sandbox)
        : m_env(sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("xcb")))
    {
        m_bus = std::make_unique<Helper>(QStringLiteral("dbus-daemon"),
            QStringList{
                QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
            m_env);
        if (!m_bus->process().waitForReadyRead(10000)) {
            m_problem = "the session bus did not start";
            return;
        }
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
            QString::fromLocal8Bit(m_bus->process().readLine()).trimmed());
        m_env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        // The session's accessibility bus runs before its programs start.
        QProcess registry;
        registry.setProcessEnvironment(m_env);
        registry.start(kPython,
            {QStringLiteral("-c"), QStringLiteral("import pyatspi; pyatspi.Registry.getDesktop(0)")});
        if (!registry.waitForFinished(20000) || registry.exitCode() != 0) {
            m_problem = "no accessibility bus: " + registry.readAllStandardError().toStdString();
            return;
        }
        m_tray = std::make_unique<Helper>(QStringLiteral("trayer"),
            QStringList{QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                QStringLiteral("left"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                QStringLiteral("--height"), QStringLiteral("32")},
            m_env);
        if (!m_tray->process().waitForStarted(5000) || !pollUntil(kShowBoundMs, [] {
                return DesktopProbe::windowWithTitle(QStringLiteral("panel")).has_value();
            })) {
            m_problem = "the notification area did not come up";
        }
    }

    // Empty when the session is up.
    const std::string& problem() const { return m_problem; }
    const QProcessEnvironment& environment() const { return m_env; }

    // Runs tests/blackbox/drive_user.py as the user; its error output when it failed.
    std::optional<std::string> drive(const QStringList& arguments) const
    {
        QProcess user;
        user.setProcessEnvironment(m_env);
        user.start(
            kPython, QStringList{QStringLiteral(KVX_SOURCE_DIR "/tests/blackbox/drive_user.py")} + arguments);
        if (!user.waitForFinished(90000)) {
            return "the user was not done within 90 s";
        }
        if (user.exitCode() != 0) {
            return user.readAllStandardError().toStdString();
        }
        return std::nullopt;
    }

private:
    QProcessEnvironment m_env;
    std::unique_ptr<Helper> m_bus;
    std::unique_ptr<Helper> m_tray;
    std::string m_problem;
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

    UserSession session(sandbox);
    ASSERT_EQ(session.problem(), std::string());
    QProcessEnvironment env = session.environment();

    // Tomorrow at 7:00 in the program's clock, which starts kEditorLeadSeconds before.
    constexpr int kEditorLeadSeconds = 40;
    const QDateTime minute(QDate::currentDate().addDays(1), QTime(7, 0));
    const qint64 offset = QDateTime::currentDateTime().secsTo(minute) - kEditorLeadSeconds;
    const auto programNow = [offset] { return QDateTime::currentDateTime().addSecs(offset); };
    // The user's tools run on the real clock, only the program on the faked one.
    fakeWallClock(env, offset);
    ResidentProcess program(env, sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();

    const QString message = QStringLiteral("Blackbox alarm");
    const std::optional<std::string> failed = session.drive(
        {QStringLiteral("alarm"), QString::number(program.pid()), QStringLiteral("0700"), message});
    ASSERT_FALSE(failed.has_value()) << *failed << program.output().toStdString();
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

// A memo typed into the calendar window reaches the data file with the
// window's "OK", not only at exit: it is there after the program is killed.
TEST(AlarmRing, MemoTypedInTheCalendarIsSavedByItsOkAndSurvivesAKill)
{
    KVX_REQUIRE_DESKTOP(missingForEditor());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "KvxTestSinkA"}}));
    ASSERT_TRUE(sandbox.writeTables(SharedTables()));
    UserSession session(sandbox);
    ASSERT_EQ(session.problem(), std::string());
    ResidentProcess program(session.environment(), sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();

    const QString memo = QStringLiteral("Buy milk: 2 bottles");
    const std::optional<std::string> failed
        = session.drive({QStringLiteral("memo"), QString::number(program.pid()), memo});
    ASSERT_FALSE(failed.has_value()) << *failed << program.output().toStdString();
    ASSERT_TRUE(program.sendSignal(SIGKILL));
    program.waitForExit(kExitBoundMs);

    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    const auto& memos = saved->memos.lists[MemoLists::kMemo];
    ASSERT_GE(memos.size(), 21U);
    EXPECT_EQ(memos[0], memo.toStdString());
}

// A user clicks the first alarm of the editor list, moves to the second with
// the Down key and changes its message: the second alarm changes in the data
// file, the first comes back as it was.
TEST(AlarmRing, AlarmReachedWithTheArrowKeyIsTheOneChanged)
{
    KVX_REQUIRE_DESKTOP(missingForEditor());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "KvxTestSinkA"}, {"DEFFORM", "1"}}));
    // Tomorrow at 6:00 in the program's clock: both alarms are still ahead.
    const QDateTime morning(QDate::currentDate().addDays(1), QTime(6, 0));
    SharedTables tables;
    for (const int hour : {7, 8}) {
        AlarmRecord alarm = dailyAlarm(oleDateOf(morning.addSecs(3600LL * (hour - 6))), "");
        alarm.sound = 0;
        alarm.message = hour == 7 ? "一番目" : "二番目";
        tables.alarms.add(alarm);
    }
    ASSERT_TRUE(sandbox.writeTables(tables));
    UserSession session(sandbox);
    ASSERT_EQ(session.problem(), std::string());
    QProcessEnvironment env = session.environment();
    fakeWallClock(env, QDateTime::currentDateTime().secsTo(morning));
    ResidentProcess program(env, sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();

    const QString message = QStringLiteral("Changed by keyboard");
    const std::optional<std::string> failed
        = session.drive({QStringLiteral("change"), QString::number(program.pid()), message});
    ASSERT_FALSE(failed.has_value()) << *failed << program.output().toStdString();
    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(program.sendSignal(SIGTERM));
    program.waitForExit(kExitBoundMs);
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, 2);
    EXPECT_TRUE(saved->alarms.alarms[0] == tables.alarms.alarms[0]);
    EXPECT_EQ(saved->alarms.alarms[1].message, message.toStdString());
    EXPECT_EQ(saved->alarms.alarms[1].startTime.minuteOfDay(), 8 * 60);
}

// The desktop entry's actions, as a dock or a launcher runs them: a later
// start hands its option to the running copy and ends; with no copy running,
// --open starts one that shows its window, and --quit has nothing to end.
TEST(AlarmRing, DesktopActionsReachTheRunningCopyOrStartOne)
{
    KVX_REQUIRE_DESKTOP(missingForEditor());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "KvxTestSinkA"}}));
    ASSERT_TRUE(sandbox.writeTables(SharedTables()));
    UserSession session(sandbox);
    ASSERT_EQ(session.problem(), std::string());
    const auto action = [&session](const char* option) -> std::optional<int> {
        QProcess later;
        later.setProcessEnvironment(session.environment());
        later.start(ResidentProcess::programPath(), {QLatin1String(option)});
        if (!later.waitForFinished(kExitBoundMs)) {
            later.kill();
            later.waitForFinished(kExitBoundMs);
            return std::nullopt;
        }
        return later.exitCode();
    };
    const auto windowShown = [] {
        const std::optional<QString> window = DesktopProbe::windowWithTitle(QStringLiteral("Kalvendorix"));
        return window.has_value() && DesktopProbe::isViewable(*window);
    };

    EXPECT_EQ(action("--quit"), std::optional<int>(0));
    EXPECT_FALSE(QFile::exists(sandbox.scratchFile(QStringLiteral("ready"))));
    ResidentProcess program(session.environment(), sandbox.scratchFile(QStringLiteral("ready")));
    program.setArguments({QStringLiteral("--open")});
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    EXPECT_TRUE(pollUntil(kShowBoundMs, windowShown)) << program.output().toStdString();

    EXPECT_EQ(action("--new"), std::optional<int>(0));
    EXPECT_EQ(action("--open"), std::optional<int>(0));
    EXPECT_TRUE(program.isRunning());
    EXPECT_EQ(action("--quit"), std::optional<int>(0));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
}

// The local time of an OLE date, to the second.
QDateTime localTimeOf(OleDate at)
{
    const auto ymd = at.ymd();
    return {QDate(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                static_cast<int>(static_cast<unsigned>(ymd.day()))),
        QTime::fromString(QString::fromStdString(at.formatTimeSeconds()), QStringLiteral("HH:mm:ss"))};
}

// A user puts a ringing alarm off for a minute: the quick timer is in the data
// file at once, so a kill loses nothing, and it rings in the next run at its
// second (the clock of that run starts shortly before it).
TEST(AlarmRing, SnoozedAlarmIsSavedAtOnceAndRingsAgain)
{
    KVX_REQUIRE_DESKTOP(missingForEditor());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "KvxTestSinkA"}, {"SNOOZETIME", "1"}}));
    const QString sound = sandbox.scratchFile(QStringLiteral("ring.wav"));
    QFile wave(sound);
    ASSERT_TRUE(wave.open(QIODevice::WriteOnly));
    wave.write(waveBytes(3000));
    wave.close();
    const QDateTime minute(QDate::currentDate().addDays(1), QTime(7, 0));
    SharedTables tables;
    AlarmRecord alarm = dailyAlarm(oleDateOf(minute), sound.toStdString());
    alarm.message = "もう一度鳴る";
    tables.alarms.add(alarm);
    ASSERT_TRUE(sandbox.writeTables(tables));
    UserSession session(sandbox);
    ASSERT_EQ(session.problem(), std::string());

    const qint64 offset = QDateTime::currentDateTime().secsTo(minute) - kLeadSeconds;
    QProcessEnvironment env = session.environment();
    fakeWallClock(env, offset);
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    AlarmRecord snoozed;
    {
        ResidentProcess program(env, ready);
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
        ASSERT_TRUE(pollUntil(kRingBoundMs, [] {
            return DesktopProbe::windowWithTitle(kAlarmTitle).has_value();
        })) << program.output().toStdString();
        const QDateTime pressed = QDateTime::currentDateTime().addSecs(offset);
        const std::optional<std::string> failure
            = session.drive({QStringLiteral("snooze"), QString::number(program.pid())});
        ASSERT_FALSE(failure.has_value()) << *failure;
        std::optional<SharedTables> saved;
        ASSERT_TRUE(pollUntil(kShowBoundMs, [&] {
            saved = sandbox.readTables();
            return saved && saved->alarms.alarmCount == 2;
        })) << program.output().toStdString();
        ASSERT_TRUE(program.sendSignal(SIGKILL));
        program.waitForExit(kExitBoundMs);
        snoozed = saved->alarms.alarms[1];
        EXPECT_EQ(snoozed.kind, kKindQuick);
        EXPECT_EQ(snoozed.message, alarm.message);
        EXPECT_EQ(snoozed.soundFile, alarm.soundFile);
        const qint64 ahead = pressed.secsTo(localTimeOf(snoozed.startTime));
        EXPECT_GE(ahead, 60 - kLeadSeconds) << "one minute after the press";
        EXPECT_LE(ahead, 60 + kLeadSeconds);
    }
    ASSERT_TRUE(QFile::remove(ready));

    const QDateTime due = localTimeOf(snoozed.startTime);
    const qint64 later = QDateTime::currentDateTime().secsTo(due) - kLeadSeconds;
    QProcessEnvironment againEnv = session.environment();
    fakeWallClock(againEnv, later);
    ResidentProcess again(againEnv, ready);
    ASSERT_TRUE(again.start());
    ASSERT_TRUE(again.waitUntilResident(kResidentBoundMs)) << again.output().toStdString();
    EXPECT_FALSE(DesktopProbe::windowWithTitle(kAlarmTitle).has_value());
    ASSERT_TRUE(pollUntil(kRingBoundMs, [] {
        return DesktopProbe::windowWithTitle(kAlarmTitle).has_value();
    })) << again.output().toStdString();
    EXPECT_GE(QDateTime::currentDateTime().addSecs(later), due);
    ASSERT_TRUE(again.sendSignal(SIGTERM));
    EXPECT_EQ(again.waitForExit(kExitBoundMs), std::optional<int>(0)) << again.output().toStdString();
    const std::optional<SharedTables> rung = sandbox.readTables();
    ASSERT_TRUE(rung && rung->alarms.alarmCount == 2);
    EXPECT_FALSE(rung->alarms.alarms[1].lastAlarm.isZero()) << "the quick timer rang";
}

} // namespace
} // namespace kvx::test
