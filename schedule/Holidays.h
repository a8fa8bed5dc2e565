#pragma once

#include "core/OleDate.h"

#include <chrono>
#include <string_view>

namespace kvx {

// Japanese public holidays under today's law. Names are UTF-8 and point into
// static storage; an ordinary day gives "". Days before 1948-07-20 have none.
std::string_view holidayName(std::chrono::sys_days day);
// The time of day is ignored.
std::string_view holidayName(OleDate date);

// The national holidays, the one-off ceremony days and the citizens' holiday
// ("国民の休日"), without the substitute holiday ("振替休日").
std::string_view baseHoliday(std::chrono::sys_days day);

// Day of month of the equinox holiday in March or September, or 99 (a day no
// month has) outside 1948..2150.
int vernalEquinoxDay(int year);
int autumnalEquinoxDay(int year);

} // namespace kvx
