#include "platform/Clock.h"
#include "platform/QtTimer.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(ClockConversion, LocalWallTimeToOleDateKeepsWholeSeconds)
{
    struct Row {
        const char* name;
        QDateTime local;
        OleDate ole;
    };
    const Row rows[] = {
        {"2024-02-29 noon", QDateTime(QDate(2024, 2, 29), QTime(12, 0)), OleDate(45351.5)},
        {"milliseconds are dropped, not rounded", QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0, 999)),
            OleDate(45351.5)},
        {"last second of a day", QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)),
            OleDate::fromCivil(2026, 12, 31, 23, 59, 59)},
        {"the epoch is the zero date", QDateTime(QDate(1899, 12, 30), QTime(0, 0)), OleDate()},
        {"before the epoch", QDateTime(QDate(1899, 12, 29), QTime(6, 0)), OleDate(-1.25)},
        {"an invalid time is the zero date", QDateTime(), OleDate()},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Clock::toOleDate(row.local), row.ole) << row.name;
    }
}

TEST(ClockConversion, OleDateToLocalWallTime)
{
    struct Row {
        const char* name;
        OleDate ole;
        QDateTime local;
    };
    const Row rows[] = {
        {"2024-02-29 noon", OleDate(45351.5), QDateTime(QDate(2024, 2, 29), QTime(12, 0))},
        {"the zero date", OleDate(), QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
        {"before the epoch", OleDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0))},
        {"fraction rounds to the second", OleDate(45351.0 + 59.9999 / 86400.0),
            QDateTime(QDate(2024, 2, 29), QTime(0, 1))},
    };
    for (const Row& row : rows) {
        const QDateTime local = Clock::fromOleDate(row.ole);
        EXPECT_EQ(local, row.local) << row.name;
        EXPECT_EQ(local.timeSpec(), Qt::LocalTime) << row.name;
    }
}

TEST(ClockConversion, EveryDayOfTwoCenturiesRoundTrips)
{
    // Noon and the day's last second exist in every time zone, daylight saving or not.
    for (QDate day(1950, 1, 1); day <= QDate(2150, 12, 31); day = day.addDays(1)) {
        for (const QTime time : {QTime(12, 34, 56), QTime(23, 59, 59)}) {
            const QDateTime local(day, time);
            ASSERT_EQ(Clock::fromOleDate(Clock::toOleDate(local)), local) << local.toString().toStdString();
        }
    }
}

TEST(SystemClock, TimersKeepTheirIntervalAndAZeroIntervalStaysSilent)
{
    struct Row {
        const char* name;
        int interval;
        bool singleShot;
    };
    const Row rows[] = {
        {"tick", 1000, false},
        {"delayed stop", 500, true},
        {"hover watch before the first hover", 0, false},
    };
    SystemClock clock;
    for (const Row& row : rows) {
        auto timer = clock.createTimer();
        int fires = 0;
        timer->onTimeout = [&] { ++fires; };
        timer->setSingleShot(row.singleShot);
        EXPECT_FALSE(timer->isActive()) << row.name;
        timer->start(row.interval);
        EXPECT_TRUE(timer->isActive()) << row.name;
        EXPECT_EQ(timer->interval(), row.interval) << row.name;
        QCoreApplication::processEvents();
        EXPECT_EQ(fires, 0) << row.name;
        timer->stop();
        EXPECT_FALSE(timer->isActive()) << row.name;
    }
}

TEST(SystemClock, WaitLetsPendingEventsRun)
{
    SystemClock clock;
    bool ran = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
    clock.wait(0);
    EXPECT_TRUE(ran);
}

} // namespace
} // namespace kvx
