#include "doubles/FakeClock.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace kvx {
namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(9, 0, 0));

// Records "name@ms" for each timeout, ms counted from the clock's start.
struct FireLog {
    FakeClock& clock;
    std::vector<std::string> fires;

    std::function<void()> recorder(const std::string& name)
    {
        return [this, name] { fires.push_back(name + "@" + std::to_string(kStart.msecsTo(clock.now()))); };
    }
};

TEST(FakeClock, TimersFireWhenDueInTimeOrder)
{
    struct TimerSetup {
        std::string name;
        int interval;
        bool singleShot;
        bool stopped;
    };
    struct Row {
        const char* name;
        std::vector<TimerSetup> timers;
        qint64 advance;
        std::vector<std::string> fires;
    };
    const Row rows[] = {
        {"periodic timer fires every interval", {{"a", 1000, false, false}}, 3500,
            {"a@1000", "a@2000", "a@3000"}},
        {"single shot fires once", {{"a", 1000, true, false}}, 5000, {"a@1000"}},
        {"interval 0 never fires", {{"a", 0, false, false}}, 5000, {}},
        {"stopped timer never fires", {{"a", 1000, false, true}}, 5000, {}},
        {"not yet due", {{"a", 1000, false, false}}, 999, {}},
        {"due exactly at the end of the advance", {{"a", 1000, false, false}}, 1000, {"a@1000"}},
        {"two timers interleave by due time", {{"slow", 1000, false, false}, {"fast", 400, false, false}},
            1300, {"fast@400", "fast@800", "slow@1000", "fast@1200"}},
        {"same due time fires in start order", {{"first", 500, false, false}, {"second", 500, false, false}},
            500, {"first@500", "second@500"}},
    };
    for (const Row& row : rows) {
        FakeClock clock(kStart);
        FireLog log{clock, {}};
        std::vector<std::unique_ptr<Timer>> timers;
        for (const TimerSetup& setup : row.timers) {
            timers.push_back(clock.createTimer());
            timers.back()->onTimeout = log.recorder(setup.name);
            timers.back()->setSingleShot(setup.singleShot);
            timers.back()->start(setup.interval);
            if (setup.stopped) {
                timers.back()->stop();
            }
        }
        clock.advanceMs(row.advance);
        EXPECT_EQ(log.fires, row.fires) << row.name;
        EXPECT_EQ(kStart.msecsTo(clock.now()), row.advance) << row.name;
    }
}

TEST(FakeClock, TimerStateFollowsStartStopAndSingleShot)
{
    struct Row {
        const char* name;
        qint64 advance;
        int interval;
        bool singleShot;
        bool activeAfter;
    };
    const Row rows[] = {
        {"periodic stays active", 2500, 1000, false, true},
        {"single shot ends after firing", 1000, 1000, true, false},
        {"single shot stays active until due", 999, 1000, true, true},
        {"interval 0 stays active without firing", 5000, 0, false, true},
    };
    for (const Row& row : rows) {
        FakeClock clock(kStart);
        auto timer = clock.createTimer();
        EXPECT_FALSE(timer->isActive()) << row.name;
        timer->setSingleShot(row.singleShot);
        timer->start(row.interval);
        EXPECT_TRUE(timer->isActive()) << row.name;
        EXPECT_EQ(timer->interval(), row.interval) << row.name;
        clock.advanceMs(row.advance);
        EXPECT_EQ(timer->isActive(), row.activeAfter) << row.name;
        timer->stop();
        EXPECT_FALSE(timer->isActive()) << row.name;
    }
}

TEST(FakeClock, CallbacksChangeTimersAsTheEventLoopWould)
{
    struct Row {
        const char* name;
        // What the timer "a" (1000 ms, periodic) does in its first timeout.
        std::function<void(Timer& a, Timer& b)> firstTimeout;
        std::vector<std::string> fires;
    };
    const Row rows[] = {
        {"restart with a new interval counts from the callback", [](Timer& a, Timer&) { a.start(300); },
            {"a@1000", "a@1300", "a@1600", "a@1900", "a@2200", "a@2500"}},
        {"stop inside the callback ends a periodic timer", [](Timer& a, Timer&) { a.stop(); }, {"a@1000"}},
        {"a timer started inside a callback fires in the same advance",
            [](Timer&, Timer& b) { b.start(200); },
            {"a@1000", "b@1200", "b@1400", "b@1600", "b@1800", "a@2000", "b@2000", "b@2200", "b@2400"}},
        {"single shot restarted inside its callback fires again",
            [](Timer& a, Timer&) {
                a.setSingleShot(true);
                a.start(700);
            },
            {"a@1000", "a@1700"}},
    };
    for (const Row& row : rows) {
        FakeClock clock(kStart);
        FireLog log{clock, {}};
        auto a = clock.createTimer();
        auto b = clock.createTimer();
        bool first = true;
        a->onTimeout = [&, record = log.recorder("a")] {
            record();
            if (std::exchange(first, false)) {
                row.firstTimeout(*a, *b);
            }
        };
        b->onTimeout = log.recorder("b");
        a->start(1000);
        clock.advanceMs(2500);
        EXPECT_EQ(log.fires, row.fires) << row.name;
    }
}

TEST(FakeClock, TimeMovesOnlyWhenAdvanced)
{
    struct Row {
        const char* name;
        std::function<void(FakeClock&)> step;
        QDateTime now;
        int waits;
    };
    const Row rows[] = {
        {"nothing happens", [](FakeClock&) {}, kStart, 0},
        {"a second", [](FakeClock& c) { c.advanceSecond(); }, kStart.addSecs(1), 0},
        {"a minute", [](FakeClock& c) { c.advanceMinute(); }, kStart.addSecs(60), 0},
        {"a day", [](FakeClock& c) { c.advanceDay(); }, kStart.addMSecs(24LL * 3600 * 1000), 0},
        {"a wait moves time and is counted", [](FakeClock& c) { c.wait(1000); }, kStart.addSecs(1), 1},
        {"two waits",
            [](FakeClock& c) {
                c.wait(1000);
                c.wait(1000);
            },
            kStart.addSecs(2), 2},
        {"a negative advance does nothing", [](FakeClock& c) { c.advanceMs(-5); }, kStart, 0},
    };
    for (const Row& row : rows) {
        FakeClock clock(kStart);
        row.step(clock);
        EXPECT_EQ(clock.now(), row.now) << row.name;
        EXPECT_EQ(clock.waitCount(), row.waits) << row.name;
    }
}

TEST(FakeClock, SettingTheWallTimeLeavesTimersDueByElapsedTime)
{
    FakeClock clock(kStart);
    int fires = 0;
    auto timer = clock.createTimer();
    timer->onTimeout = [&] { ++fires; };
    timer->start(1000);
    clock.setNow(kStart.addDays(-1));
    clock.advanceMs(999);
    EXPECT_EQ(fires, 0);
    clock.advanceMs(1);
    EXPECT_EQ(fires, 1);
    EXPECT_EQ(clock.now(), kStart.addDays(-1).addSecs(1));
}

TEST(FakeClock, WaitInsideACallbackFiresOtherTimersAndTimeNeverRunsBack)
{
    FakeClock clock(kStart);
    FireLog log{clock, {}};
    auto gate = clock.createTimer();
    auto tick = clock.createTimer();
    gate->setSingleShot(true);
    gate->onTimeout = [&] {
        log.recorder("gate")();
        clock.wait(1000);
        log.recorder("gate-done")();
    };
    tick->onTimeout = log.recorder("tick");
    gate->start(100);
    tick->start(400);
    clock.advanceMs(500);
    const std::vector<std::string> expected = {"gate@100", "tick@400", "tick@800", "gate-done@1100"};
    EXPECT_EQ(log.fires, expected);
    EXPECT_EQ(kStart.msecsTo(clock.now()), 1100);
}

TEST(FakeClock, TimersMayDieInsideTheirCallbackOrOutliveTheClock)
{
    FakeClock clock(kStart);
    std::unique_ptr<Timer> timer = clock.createTimer();
    int fires = 0;
    timer->onTimeout = [&] {
        ++fires;
        timer.reset();
    };
    timer->start(1000);
    clock.advanceMs(5000);
    EXPECT_EQ(fires, 1);
    EXPECT_EQ(timer, nullptr);

    std::unique_ptr<Timer> survivor;
    {
        FakeClock shortLived(kStart);
        survivor = shortLived.createTimer();
        survivor->start(1000);
    }
    survivor->stop();
    EXPECT_FALSE(survivor->isActive());
}

} // namespace
} // namespace kvx
