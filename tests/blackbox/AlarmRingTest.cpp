#include "tests/blackbox/DesktopProbe.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>
#include <csignal>

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
    env.insert(QStringLiteral("FAKETIME"), QStringLiteral("%1%2").arg(offsetSeconds < 0 ? "" : "+").arg(offsetSeconds));
    env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
    env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    env.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
    // The sanitizer runtime insists on being the first library loaded; the
    // preloaded clock comes before it and replaces none of its functions.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
        asan.isEmpty() ? QStringLiteral("verify_asan_link_order=0") : asan + QStringLiteral(":verify_asan_link_order=0"));
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

TEST(AlarmRing, DailyAlarmShowsItsWindowAndPlaysItsSoundAtItsMinute)
{
    if (!desktopStackUp()) {
        // CI runs every test: there a missing server is a failure, not a skip.
        if (qgetenv("CI") == "true") {
            FAIL() << "CI=true and the X server or the sound server of the test command is missing";
        }
        GTEST_SKIP() << "needs the X server and the sound server of the test command";
    }
    if (kFakeTimeLibrary.isEmpty()) {
        FAIL() << "libfaketime was not found when the tests were configured (scripts/install-deps installs it)";
    }
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

} // namespace
} // namespace kvx::test
