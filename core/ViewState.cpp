#include "core/ViewState.h"

namespace kvx {

void CalendarState::showMonth(int year, int month)
{
    shownYear = static_cast<std::int16_t>(year);
    shownMonth = static_cast<std::int16_t>(month);
    prevYear = static_cast<std::int16_t>(month == 1 ? year - 1 : year);
    prevMonth = static_cast<std::int16_t>(month == 1 ? 12 : month - 1);
    nextYear = static_cast<std::int16_t>(month == 12 ? year + 1 : year);
    nextMonth = static_cast<std::int16_t>(month == 12 ? 1 : month + 1);
}

void CalendarState::selectDate(OleDate date)
{
    const std::chrono::year_month_day ymd = date.ymd();
    showMonth(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())));
    selectedDay = static_cast<std::int16_t>(static_cast<unsigned>(ymd.day()));
    selectedDate = date.dateOnly();
}

} // namespace kvx
