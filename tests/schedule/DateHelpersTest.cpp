#include "schedule/DateHelpers.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace std::chrono;

TEST(DateHelpers, MonthLengthsAndFirstColumns)
{
    struct Row {
        const char* month;
        int year, monthNumber, days, sundayColumn, mondayColumn;
    };
    const Row rows[] = {
        {"2024-02 leap year starts Thursday", 2024, 2, 29, 4, 3},
        {"2023-02", 2023, 2, 28, 3, 2},
        {"1900-02 is no leap year", 1900, 2, 28, 4, 3},
        {"2000-02 is a leap year", 2000, 2, 29, 2, 1},
        {"2024-09 starts Sunday", 2024, 9, 30, 0, 6},
        {"2024-12 starts Sunday", 2024, 12, 31, 0, 6},
        {"2024-04 starts Monday", 2024, 4, 30, 1, 0},
        {"2024-06 starts Saturday", 2024, 6, 30, 6, 5},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(daysInMonth(row.year, row.monthNumber), row.days) << row.month;
        EXPECT_EQ(firstColumn(row.year, row.monthNumber, false), row.sundayColumn) << row.month;
        EXPECT_EQ(firstColumn(row.year, row.monthNumber, true), row.mondayColumn) << row.month;
    }
}

TEST(DateHelpers, MonthTableOrdinalsOverThreeCenturies)
{
    for (int y = 1900; y <= 2199; ++y) {
        for (unsigned m = 1; m <= 12; ++m) {
            const MonthTable table(year{y} / month{m});
            ASSERT_EQ(table.days(), daysInMonth(y, static_cast<int>(m)));
            for (int d = 1; d <= table.days(); ++d) {
                const sys_days day{year{y} / month{m} / std::chrono::day{static_cast<unsigned>(d)}};
                const auto entry = table.dayEntry(d);
                ASSERT_EQ(entry.weekday, weekdayNumber(day));
                ASSERT_EQ(entry.ordinal, (d - 1) / 7 + 1);
                ASSERT_EQ(table.nthWeekdayDay(entry.ordinal, entry.weekday), d);
            }
        }
    }
}

TEST(DateHelpers, NthWeekdayOfMonth)
{
    // December 2024 starts on a Sunday: days 1, 8, 15, 22, 29 are Sundays 1..5.
    const MonthTable december(OleDate::fromCivil(2024, 12, 17, 10, 30));
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(december.dayEntry(7 * n - 6).ordinal, n);
        EXPECT_EQ(december.dayEntry(7 * n - 6).weekday, 1);
        EXPECT_EQ(december.nthWeekdayOfMonth(n, 1), OleDate::fromCivil(2024, 12, 7 * n - 6));
    }
    // February 2024 has four Mondays; a table for a month with five gives no help.
    const MonthTable april(year{2024} / April);
    EXPECT_EQ(april.nthWeekdayOfMonth(5, 2), OleDate::fromCivil(2024, 4, 29));
    const MonthTable february(year{2024} / February);
    EXPECT_TRUE(february.nthWeekdayOfMonth(5, 2).isZero());
    EXPECT_EQ(february.nthWeekdayOfMonth(5, 5), OleDate::fromCivil(2024, 2, 29)); // fifth Thursday
}

TEST(DateHelpers, PreAlarmOffsetSplitsHoursAndMinutes)
{
    EXPECT_EQ(preAlarmOffsetSeconds(90), 5400);
    EXPECT_EQ(preAlarmOffset(90).formatTime(), "01:30");
    EXPECT_EQ(preAlarmOffset(0).value(), 0.0);
    EXPECT_EQ(OleDate::fromCivil(2024, 3, 1, 0, 10).plusSeconds(-preAlarmOffsetSeconds(20)).formatDateTime(),
        "2024/02/29 23:50");
}

TEST(DateHelpers, WeekdayBits)
{
    const int bits[] = {0, 64, 1, 2, 4, 8, 16, 32};
    for (int w = 1; w <= 7; ++w) {
        EXPECT_EQ(weekdayBit(w), bits[w]) << w;
    }
}

} // namespace
} // namespace kvx
