#include "schedule/DateHelpers.h"

namespace kvx {

using namespace std::chrono;

int weekdayNumber(sys_days day)
{
    return static_cast<int>(weekday{day}.c_encoding()) + 1;
}

int firstColumn(int year, int month, bool weekStartsMonday)
{
    const int first = weekdayNumber(sys_days{
        std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / std::chrono::day{1}});
    return weekStartsMonday ? (first + 5) % 7 : first - 1;
}

int daysInMonth(int year, int month)
{
    const year_month_day_last last{
        std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / std::chrono::last};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

MonthTable::MonthTable(OleDate anyDayOfMonth)
    : MonthTable(year_month{anyDayOfMonth.ymd().year(), anyDayOfMonth.ymd().month()})
{
}

MonthTable::MonthTable(year_month month)
    : m_month(month)
{
    m_days = static_cast<int>(static_cast<unsigned>(year_month_day_last{month / std::chrono::last}.day()));
    std::array<std::int16_t, 8> counters{1, 1, 1, 1, 1, 1, 1, 1};
    const int first = weekdayNumber(sys_days{month / 1});
    for (int d = 0; d < m_days; ++d) {
        const int w = (first - 1 + d) % 7 + 1;
        m_entries[static_cast<std::size_t>(d)]
            = {static_cast<std::int16_t>(w), counters[static_cast<std::size_t>(w)]++};
    }
}

int MonthTable::nthWeekdayDay(int n, int weekday) const
{
    for (int d = 0; d < m_days; ++d) {
        const Entry& e = m_entries[static_cast<std::size_t>(d)];
        if (e.ordinal == n && e.weekday == weekday) {
            return d + 1;
        }
    }
    return 0;
}

OleDate MonthTable::nthWeekdayOfMonth(int n, int weekday) const
{
    const int d = nthWeekdayDay(n, weekday);
    return d == 0 ? OleDate()
                  : OleDate::fromDay(sys_days{m_month / std::chrono::day{static_cast<unsigned>(d)}});
}

OleDate preAlarmOffset(int preMinutes)
{
    return OleDate(static_cast<double>(preAlarmOffsetSeconds(preMinutes)) / 86400.0);
}

long long preAlarmOffsetSeconds(int preMinutes)
{
    return static_cast<long long>(preMinutes / 60) * 3600 + static_cast<long long>(preMinutes % 60) * 60;
}

int weekdayBit(int weekday)
{
    // Sunday (1) is bit 64; Monday (2) .. Saturday (7) are bits 1 .. 32.
    return weekday == 1 ? 64 : 1 << (weekday - 2);
}

} // namespace kvx
