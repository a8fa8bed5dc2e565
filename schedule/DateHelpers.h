#pragma once

#include "core/OleDate.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace kvx {

// Weekday numbers run 1 = Sunday .. 7 = Saturday.
int weekdayNumber(std::chrono::sys_days day);

// Column of the month's first day in a week row: 0..6 from Sunday, or from
// Monday when `weekStartsMonday`.
int firstColumn(int year, int month, bool weekStartsMonday);
int daysInMonth(int year, int month); // 28..31

// Each day of one month with its weekday and its occurrence number in the
// month (the second Tuesday has ordinal 2).
class MonthTable {
public:
    struct Entry {
        std::int16_t weekday = 0; // 1..7
        std::int16_t ordinal = 0; // 1..5
    };

    explicit MonthTable(OleDate anyDayOfMonth);
    explicit MonthTable(std::chrono::year_month month);

    std::chrono::year_month month() const { return m_month; }
    int days() const { return m_days; }
    Entry dayEntry(int dayOfMonth) const { return m_entries[static_cast<std::size_t>(dayOfMonth - 1)]; }
    // Day of month of the n-th `weekday` (1..7), or 0 when the month has none.
    int nthWeekdayDay(int n, int weekday) const;
    // The same as a date: the zero date when the month has no such day.
    OleDate nthWeekdayOfMonth(int n, int weekday) const;

private:
    std::chrono::year_month m_month;
    int m_days = 0;
    std::array<Entry, 31> m_entries{};
};

// The pre-alarm rings this much before the start: `preMinutes` div 60 hours and
// `preMinutes` mod 60 minutes, as a time-of-day value.
OleDate preAlarmOffset(int preMinutes);
// The same offset in seconds.
long long preAlarmOffsetSeconds(int preMinutes);

// Weekday bit of `weekdayMask` (Monday 1 .. Sunday 64) for a weekday number.
int weekdayBit(int weekday);

} // namespace kvx
