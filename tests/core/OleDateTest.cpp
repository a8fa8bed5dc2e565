#include "core/OleDate.h"

#include <cmath>
#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace std::chrono;

TEST(OleDate, EveryDayOfFourCenturiesRoundTripsThroughTheDouble)
{
    const sys_days first{year{1800} / January / 1};
    const sys_days last{year{2200} / December / 31};
    for (sys_days day = first; day <= last; day += days{1}) {
        for (const int seconds : {0, 1, 43199, 86399}) {
            const OleDate date = OleDate::fromDay(day, seconds);
            ASSERT_EQ(date.day(), day) << date.value();
            ASSERT_EQ(date.secondsOfDay(), seconds) << date.value();
            ASSERT_EQ(date.plusSeconds(1).totalSeconds(), date.totalSeconds() + 1);
        }
    }
}

TEST(OleDate, KnownValues)
{
    struct Row {
        const char* name;
        double value;
        const char* dateTime;
        int seconds;
    };
    const Row rows[] = {
        {"zero date", 0.0, "1899/12/30 00:00", 0},
        {"1900-01-01", 2.0, "1900/01/01 00:00", 0},
        {"before the epoch, time counts forward", -1.25, "1899/12/29 06:00", 21600},
        {"2024-02-29 noon", 45351.5, "2024/02/29 12:00", 43200},
        {"rounds to the nearest second", 45351.0 + 59.9999 / 86400.0, "2024/02/29 00:01", 60},
        {"rounding carries into the next day", 45351.0 + 86399.9999 / 86400.0, "2024/03/01 00:00", 0},
        {"not a number reads as the zero date", std::nan(""), "1899/12/30 00:00", 0},
    };
    for (const Row& row : rows) {
        const OleDate date(row.value);
        EXPECT_EQ(date.formatDateTime(), row.dateTime) << row.name;
        EXPECT_EQ(date.secondsOfDay(), row.seconds) << row.name;
    }
    EXPECT_EQ(OleDate::fromCivil(2024, 2, 29, 12).value(), 45351.5);
    EXPECT_EQ(OleDate::fromCivil(2026, 12, 8, 9, 5, 7).formatTimeSeconds(), "09:05:07");
}

TEST(OleDate, PlusDaysKeepsTheTimeAcrossTheEpoch)
{
    const OleDate before = OleDate::fromCivil(1899, 12, 29, 6);
    EXPECT_EQ(before.value(), -1.25);
    EXPECT_EQ(before.plusDays(1).formatDateTime(), "1899/12/30 06:00");
    EXPECT_EQ(before.plusDays(1).value(), 0.25);
    EXPECT_EQ(
        OleDate::fromCivil(2024, 12, 31, 23, 59, 30).plusSeconds(30).formatDateTime(), "2025/01/01 00:00");
}

} // namespace
} // namespace kvx
