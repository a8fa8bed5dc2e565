#include "tests/blackbox/DesktopProbe.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"
#include "tests/blackbox/UserSession.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <gtest/gtest.h>
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
// The program needs this long to start before the alarm's minute begins.
constexpr int kLeadSeconds = 10;

const QString kAlarmTitle = QStringLiteral("Kalvendorix (アラーム)");

bool desktopStackUp()
{
    return qgetenv("KVX_SOUND_SERVER") == "1" && !qgetenv("DISPLAY").isEmpty();
}

QString missingForRing()
{
    if (!desktopStackUp()) {
        return QStringLiteral("the X server and the sound server of the test command");
    }
    if (fakeTimeLibrary().isEmpty()) {
        return QStringLiteral("libfaketime (scripts/install-deps installs it)");
    }
    return {};
}

// What a user's session has besides the X server: a notification area and a
// session bus with the accessibility bus, through which the editor's controls
// are found by name.
QString missingForEditor()
{
    QString missing = missingForRing();
    if (!missing.isEmpty()) {
        return missing;
    }
    return missingTools({QStringLiteral("trayer"), QStringLiteral("xdotool"), QStringLiteral("dbus-daemon")});
}

QProcessEnvironment xSession(const ProgramSandbox& sandbox)
{
    return sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("xcb"));
}

QString missingForNotice()
{
    QString missing = missingForRing();
    if (!missing.isEmpty()) {
        return missing;
    }
    for (const char* tool : {"dbus-daemon", "dbus-send", "dunst", "dunstctl"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            return QStringLiteral("%1 (scripts/install-deps installs it)").arg(QLatin1String(tool));
        }
    }
    return {};
}

bool writeText(const QString& path, const QByteArray& text, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        return false;
    }
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// A desktop's notification server: dunst on the test's X server and on a
// private session bus that starts no services on demand, so that no other
// server answers in its place. A script in dunst's configuration records
// every notification it receives as a line "summary|body|urgency". Of a
// notification with several actions, dunst lets the user choose one from a
// menu: here a script that always chooses "止める".
class NotificationServer {
public:
    explicit NotificationServer(const ProgramSandbox& sandbox)
        : m_env(sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("xcb")))
        , m_record(sandbox.scratchFile(QStringLiteral("notices")))
    {
        const QString busConfig = sandbox.scratchFile(QStringLiteral("bus.conf"));
        const QString script = sandbox.scratchFile(QStringLiteral("record.sh"));
        const QString dunstConfig = sandbox.scratchFile(QStringLiteral("dunstrc"));
        const QString chooser = sandbox.scratchFile(QStringLiteral("choose.sh"));
        if (!writeText(busConfig,
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                "</busconfig>\n")
            || !writeText(script,
                "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$2\" \"$3\" \"$5\" >>'" + m_record.toUtf8() + "'\n", true)
            || !writeText(chooser, "#!/bin/sh\ngrep -m1 '止める'\n", true)
            || !writeText(dunstConfig,
                "[global]\n    dmenu = " + chooser.toUtf8()
                    + "\n[record]\n    summary = \"*\"\n    script = " + script.toUtf8() + "\n")) {
            m_problem = "the configuration files could not be written";
            return;
        }
        m_bus = startSessionBus({QStringLiteral("--config-file=") + busConfig}, m_env, m_problem);
        if (!m_bus) {
            return;
        }
        m_dunst = std::make_unique<Helper>(
            QStringLiteral("dunst"), QStringList{QStringLiteral("-config"), dunstConfig}, m_env);
        if (!pollUntil(kShowBoundMs, [this] { return displayed().has_value(); })) {
            m_problem = "dunst did not come up: " + m_dunst->process().readAllStandardError().toStdString();
        }
    }

    // Empty when the server is up.
    const std::string& problem() const { return m_problem; }
    // A program's environment on this desktop.
    const QProcessEnvironment& environment() const { return m_env; }

    QStringList received() const
    {
        QFile file(m_record);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    // How many notifications are on the screen.
    std::optional<int> displayed() const
    {
        const std::optional<QString> count = dunstctl({QStringLiteral("count"), QStringLiteral("displayed")});
        bool number = false;
        const int value = count ? count->trimmed().toInt(&number) : 0;
        return number ? std::optional<int>(value) : std::nullopt;
    }
    // The user chooses "止める" of the topmost notification.
    bool chooseAction() const
    {
        return dunstctl({QStringLiteral("action"), QStringLiteral("0")}).has_value();
    }

private:
    std::optional<QString> dunstctl(const QStringList& arguments) const
    {
        QProcess control;
        control.setProcessEnvironment(m_env);
        control.start(QStringLiteral("dunstctl"), arguments);
        if (!control.waitForFinished(5000) || control.exitStatus() != QProcess::NormalExit
            || control.exitCode() != 0) {
            return std::nullopt;
        }
        return QString::fromUtf8(control.readAllStandardOutput());
    }

    QProcessEnvironment m_env;
    QString m_record;
    std::unique_ptr<Helper> m_bus;
    std::unique_ptr<Helper> m_dunst;
    std::string m_problem;
};

TEST(AlarmRing, DailyAlarmShowsItsWindowAndPlaysItsSoundAtItsMinute)
{
    KVX_REQUIRE_DESKTOP(missingForRing());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString sound = sandbox.writeScratchFile(QStringLiteral("目覚まし.wav"), waveBytes(3000));
    ASSERT_FALSE(sound.isEmpty());

    const DueAlarm due = dueAlarmTomorrow(kLeadSeconds, sound.toStdString());
    ASSERT_TRUE(sandbox.writeTables(due.tables));

    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    QProcessEnvironment env = sandbox.environment(ready, QStringLiteral("xcb"));
    fakeWallClock(env, due.offset);
    ResidentProcess program(env, ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    ASSERT_LT(due.programNow(), due.minute) << "started too late to see the alarm's minute begin";
    EXPECT_FALSE(DesktopProbe::windowWithTitle(kAlarmTitle).has_value());

    std::optional<QString> window;
    ASSERT_TRUE(pollUntil(kRingBoundMs, [&] {
        return (window = DesktopProbe::windowWithTitle(kAlarmTitle)).has_value();
    })) << program.output().toStdString();
    EXPECT_GE(due.programNow(), due.minute);
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::isViewable(*window); }));
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::playingStreamsOf(program.pid()) > 0; }))
        << program.output().toStdString();

    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();

    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, due.tables.alarms.alarmCount);
    const auto& rung = saved->alarms.alarms[static_cast<std::size_t>(due.index)];
    EXPECT_EQ(rung.lastAlarm.formatDateTime(), oleDateOf(due.minute).formatDateTime());
    EXPECT_TRUE(rung.lastPreAlarm.isZero());
    for (int i = 0; i < due.index; ++i) {
        EXPECT_TRUE(saved->alarms.alarms[static_cast<std::size_t>(i)]
            == due.tables.alarms.alarms[static_cast<std::size_t>(i)])
            << "alarm " << i << " did not ring and must come back unchanged";
    }
}

// With a notification server on the desktop a ring also sends one notification
// with the alarm's message; choosing its action "止める" stops the sound and
// takes the window and the notification away, as "OK" would.
TEST(AlarmRing, RingNotifiesTheDesktopAndTheNoticesActionStopsIt)
{
    KVX_REQUIRE_DESKTOP(missingForNotice());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString sound = sandbox.writeScratchFile(QStringLiteral("ring.wav"), waveBytes(3000));
    ASSERT_FALSE(sound.isEmpty());
    NotificationServer server(sandbox);
    ASSERT_EQ(server.problem(), std::string());

    const QDateTime minute(QDate::currentDate().addDays(1), QTime(7, 0));
    const qint64 offset = QDateTime::currentDateTime().secsTo(minute) - kLeadSeconds;
    SharedTables tables;
    AlarmRecord alarm = dailyAlarm(oleDateOf(minute), sound.toStdString());
    alarm.message = "書類を提出する";
    tables.alarms.add(alarm);
    ASSERT_TRUE(sandbox.writeTables(tables));
    QProcessEnvironment env = server.environment();
    fakeWallClock(env, offset);
    ResidentProcess program(env, sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();

    std::optional<QString> window;
    ASSERT_TRUE(pollUntil(kRingBoundMs, [&] {
        return (window = DesktopProbe::windowWithTitle(kAlarmTitle)).has_value();
    })) << program.output().toStdString();
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::playingStreamsOf(program.pid()) > 0; }))
        << program.output().toStdString();
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return server.displayed() == 1; }));
    EXPECT_EQ(server.received(),
        QStringList{QStringLiteral("Kalvendorix (アラーム) 本鈴 07:00|書類を提出する|CRITICAL")});

    ASSERT_TRUE(server.chooseAction());
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::playingStreamsOf(program.pid()) == 0; }))
        << program.output().toStdString();
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return !DesktopProbe::isViewable(*window); }));
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return server.displayed() == 0; }));
    EXPECT_EQ(server.received().size(), 1);

    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->alarms.alarmCount, 1) << "stopped, not put off by the other action";
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

    UserSession session(xSession(sandbox), UserSession::Tray::Shown);
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
    UserSession session(xSession(sandbox), UserSession::Tray::Shown);
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
    UserSession session(xSession(sandbox), UserSession::Tray::Shown);
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
    UserSession session(xSession(sandbox), UserSession::Tray::Shown);
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
    const QString sound = sandbox.writeScratchFile(QStringLiteral("ring.wav"), waveBytes(3000));
    ASSERT_FALSE(sound.isEmpty());
    const QDateTime minute(QDate::currentDate().addDays(1), QTime(7, 0));
    SharedTables tables;
    AlarmRecord alarm = dailyAlarm(oleDateOf(minute), sound.toStdString());
    alarm.message = "もう一度鳴る";
    tables.alarms.add(alarm);
    ASSERT_TRUE(sandbox.writeTables(tables));
    UserSession session(xSession(sandbox), UserSession::Tray::Shown);
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
        const std::optional<std::string> failure = session.drive(
            {QStringLiteral("snooze"), QString::number(program.pid()), QStringLiteral("もう一度鳴る")});
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
