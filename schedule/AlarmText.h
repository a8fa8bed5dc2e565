#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <array>
#include <string>
#include <string_view>

namespace kvx {

// The short word of a kind in lists ("毎月", "第３", "－－" for no kind); empty
// for a code outside 0..11.
std::string_view kindWord(int kind);

// The seven weekday letters of a mask, Sunday or Monday first, "－" for a clear bit.
std::string weekdayLetters(int weekdayMask, bool weekStartsMonday);

// The editor list's line of an alarm, after its marker:
// "09:05 2024/06/03 毎週 －月－－－金－".
std::string describeAlarm(const AlarmRecord& item, bool weekStartsMonday);

// The marker of an editor row for the chosen day: "■" while the alarm is still
// to come on that day, "□" otherwise.
std::string_view rowMarker(const AlarmRecord& item, OleDate chosenDay, OleDate now);

inline constexpr std::string_view kMarkerDone = "□";
inline constexpr std::string_view kMarkerToCome = "■";

// Columns 1 to 4 of the calendar window's alarm grid: start "hh:nn", end
// "hh:nn", kind word, message.
std::array<std::string, 4> calendarRowTexts(const AlarmRecord& item);

} // namespace kvx
