#include "tests/blackbox/DesktopProbe.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"
#include "tests/blackbox/UserSession.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#include <csignal>
#include <gtest/gtest.h>
#include <optional>

// A session with a Wayland display and no X server: the program chooses the
// Wayland platform by itself, comes up with its main window (there is no
// notification area), rings an alarm under the faked clock and ends on
// SIGTERM as on any desktop. The compositor is weston without a screen; the
// windows are seen on the session's accessibility bus, the sound on the test
// sound server.

namespace kvx::test {
namespace {

constexpr int kResidentBoundMs = 30000;
constexpr int kExitBoundMs = 20000;
constexpr int kLeadSeconds = 15;

const QString kSocket = QStringLiteral("wayland-kvx");

QString missingForWayland()
{
    if (qgetenv("KVX_SOUND_SERVER") != "1") {
        return QStringLiteral("the sound server of the test command");
    }
    if (fakeTimeLibrary().isEmpty()) {
        return QStringLiteral("libfaketime (scripts/install-deps installs it)");
    }
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so")) {
        return QStringLiteral("qt6-wayland (scripts/install-deps installs it)");
    }
    return missingTools({QStringLiteral("weston"), QStringLiteral("dbus-daemon")});
}

TEST(WaylandSession, OnAWaylandDisplayAloneTheProgramShowsItsWindowRingsAndEnds)
{
    KVX_REQUIRE_DESKTOP(missingForWayland());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString sound = sandbox.writeScratchFile(QStringLiteral("目覚まし.wav"), waveBytes(3000));
    ASSERT_FALSE(sound.isEmpty());
    const DueAlarm due = dueAlarmTomorrow(kLeadSeconds, sound.toStdString());
    ASSERT_TRUE(sandbox.writeTables(due.tables));

    // The session knows only its Wayland display; the platform is the program's choice.
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    QProcessEnvironment env = sandbox.environment(ready, QString());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), kSocket);
    Helper compositor(QStringLiteral("weston"),
        {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + kSocket,
            QStringLiteral("--no-config"), QStringLiteral("--idle-time=0"),
            QStringLiteral("--log=") + sandbox.scratchFile(QStringLiteral("weston.log"))},
        env);
    ASSERT_TRUE(pollUntil(kShowBoundMs, [&] {
        return QFile::exists(sandbox.runtimeDirectory() + '/' + kSocket);
    })) << "weston did not open its display";
    UserSession session(env, UserSession::Tray::None);
    ASSERT_EQ(session.problem(), std::string());

    QProcessEnvironment programEnv = session.environment();
    fakeWallClock(programEnv, due.offset);
    ResidentProcess program(programEnv, ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    ASSERT_LT(due.programNow(), due.minute) << "started too late to see the alarm's minute begin";
    // Without a notification area the main window comes up at once.
    std::optional<std::string> failed = session.drive(
        {QStringLiteral("see"), QString::number(program.pid()), QStringLiteral("カレンダー")});
    ASSERT_FALSE(failed.has_value()) << *failed << program.output().toStdString();

    failed = session.drive(
        {QStringLiteral("see"), QString::number(program.pid()), QStringLiteral("本鈴 ")});
    ASSERT_FALSE(failed.has_value()) << *failed << program.output().toStdString();
    EXPECT_GE(due.programNow(), due.minute);
    EXPECT_TRUE(pollUntil(kShowBoundMs, [&] { return DesktopProbe::playingStreamsOf(program.pid()) > 0; }))
        << program.output().toStdString();

    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, due.tables.alarms.alarmCount);
    EXPECT_EQ(saved->alarms.alarms[static_cast<std::size_t>(due.index)].lastAlarm.formatDateTime(),
        oleDateOf(due.minute).formatDateTime());
    EXPECT_TRUE(saved->routines == due.tables.routines);
    EXPECT_TRUE(saved->memos == due.tables.memos);
}

} // namespace
} // namespace kvx::test
