#pragma once

#include "core/OleDate.h"

#include <cstdint>

namespace kvx {

// The month the calendar shows and the day chosen in it, shared by the
// calendar window and the editor for as long as the program runs.
struct CalendarState {
    std::int16_t shownYear = 0;
    std::int16_t shownMonth = 0;
    // Relative to the shown month: 1 is its first day; <= 0 or past its end
    // when a greyed cell of a neighbouring month was chosen.
    std::int16_t selectedDay = 0;
    OleDate selectedDate;
    std::int16_t prevYear = 0;
    std::int16_t prevMonth = 0;
    std::int16_t nextYear = 0;
    std::int16_t nextMonth = 0;

    // Shows year/month (month 1..12) and names the months on either side.
    void showMonth(int year, int month);
    // Shows the month of `date` and chooses that day.
    void selectDate(OleDate date);
};

// The view state several windows share, owned by the application beside the
// shared tables.
struct ViewState {
    CalendarState calendar;
    // The alarm last clicked in a list of the calendar window; -1 for none.
    int selectedAlarm = -1;
    // The editor's chosen alarm; -1 for none.
    int editorSelectedAlarm = -1;
};

} // namespace kvx
