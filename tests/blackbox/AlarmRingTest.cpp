#include "tests/blackbox/DesktopProbe.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>
#include <signal.h>

// An alarm rings in the built program on a real X server and a real sound
// server (the test command starts both; see scripts/test-stack). The test
// waits for the next wall-clock minute, so it takes up to a minute and a half.

namespace kvx::test {
namespace {

constexpr int kResidentBoundMs = 30000;
constexpr int kExitBoundMs = 20000;
// The alarm's minute is at most 70 s away; the rest is slack for a busy machine.
constexpr int kRingBoundMs = 90000;
constexpr int kShowBoundMs = 10000;
constexpr int kPollMs = 50;
// The program needs this long to start before the alarm's minute begins.
constexpr int kLeadSeconds = 10;

const QString kAlarmTitle = QStringLiteral("Kalvendorix (アラーム)");

bool desktopStackUp()
{
    return qgetenv("KVX_SOUND_SERVER") == "1" && !qgetenv("DISPLAY").isEmpty();
}

// The first minute boundary at least kLeadSeconds ahead.
QDateTime nextAlarmMinute()
{
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime minute = now.addSecs(kLeadSeconds);
    minute = minute.addSecs(60 - minute.time().second()).addMSecs(-minute.time().msec());
    return minute;
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
        GTEST_SKIP() << "needs the X server and the sound server of the test command";
    }
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString sound = sandbox.scratchFile(QStringLiteral("目覚まし.wav"));
    QFile wave(sound);
    ASSERT_TRUE(wave.open(QIODevice::WriteOnly));
    wave.write(waveBytes(3000));
    wave.close();

    const QDateTime minute = nextAlarmMinute();
    SharedTables tables = everydayTables(oleDateOf(minute));
    const int index = tables.alarms.alarmCount;
    tables.alarms.add(dailyAlarm(oleDateOf(minute), sound.toStdString()));
    ASSERT_TRUE(sandbox.writeTables(tables));

    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    ResidentProcess program(sandbox.environment(ready, QStringLiteral("xcb")), ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();
    ASSERT_LT(QDateTime::currentDateTime(), minute) << "started too late to see the alarm's minute begin";
    EXPECT_FALSE(DesktopProbe::windowWithTitle(kAlarmTitle).has_value());

    std::optional<QString> window;
    ASSERT_TRUE(pollUntil(kRingBoundMs, [&] {
        return (window = DesktopProbe::windowWithTitle(kAlarmTitle)).has_value();
    })) << program.output().toStdString();
    EXPECT_GE(QDateTime::currentDateTime(), minute);
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
