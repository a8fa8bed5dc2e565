#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/LocalTime.h"

namespace kvx {

// When the alarm loop has to look at the table next.
struct NextCheck {
    OleDate at; // a whole second, never before `from` taken at whole seconds
    bool found = false; // true: a tick at `at` rings a bell; false: `at` is a horizon, look again then
};

// The first whole second from `from` on at which fireDueAlarm rings a bell of the
// table as it is now. No tick from `from` up to the second before `at` rings
// anything, so the loop may sleep until `at`; after a ring or a change of the table
// it asks again. When no bell rings within the days looked at (from two days up to
// five weeks, fewer the more alarms can still ring), `at` is the midnight after
// them and found is false. `from` is taken at whole seconds as a tick takes its
// instant, rounded to the nearest.
NextCheck nextDueMoment(const AlarmTable& table, OleDate from);

// The same on the real clock: the instant (seconds since the epoch) from
// `epochSeconds` on at which the tick looks next. The bell's wall time is
// taken where the clocks show it first (a gap's end for a time they skip);
// through the minute after a gap, every second, for the skipped minutes'
// bells ring then, one a tick.
struct NextTick {
    long long instant = 0;
    bool found = false;
};
NextTick nextTick(const AlarmTable& table, const LocalTime& local, long long epochSeconds);

} // namespace kvx
