#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <optional>
#include <vector>

namespace kvx {

// The alarm that fired on one tick of the alarm loop, and which of its bells rang.
struct Firing {
    int alarmIndex = -1;
    bool mainBell = false; // the banner shows the main bell when it fired
    bool preAlarm = false;
};

// The bells of one alarm that are due at one instant.
struct DueBells {
    bool mainBell = false;
    bool preAlarm = false;

    bool any() const { return mainBell || preAlarm; }
};

// The bells of `alarm` due at `now` by the rules of one tick of the alarm loop,
// without recording anything. A tick rings the first alarm of the table for which
// this is not empty.
DueBells dueBellsAt(const AlarmRecord& alarm, OleDate now);

// One tick of the alarm loop: scans the alarms from index 0 and stops at the first
// one with a bell due at `now`; both bells of that alarm may ring in the same tick.
// The bells that ring take `now` as their lastAlarm / lastPreAlarm, which limits each
// bell to one ring per calendar day. Returns nullopt when nothing rings. Alarms match
// to the minute, so several alarms due in one minute ring on consecutive ticks.
// `skipped`: the minutes of wall time a change of the clocks skipped just
// before `now` (skippedMinutes): their bells are due at `now`, once.
std::optional<Firing> fireDueAlarm(AlarmTable& table, OleDate now, const std::vector<OleDate>& skipped = {});

} // namespace kvx
