#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <chrono>
#include <cstdint>

namespace kvx {

// What the kind rules read of an item, taken from its start time once. An item
// is never expanded into dates: every question is answered from these fields.
struct RuleItem {
    std::int32_t firstDay = 0; // days since the epoch of the start date
    std::int8_t kind = 0; // -1 for every code outside 0..11: none of them selects a day
    std::int8_t weekdayMask = 0; // the seven weekday bits
    std::int8_t dayOfMonth = 0; // 1..31
    std::int8_t hour = 0; // 0..23
};

// A calendar day as the kind rules see it.
struct RuleDay {
    std::int32_t day = 0; // days since the epoch
    std::int8_t dayOfMonth = 0;
    std::int8_t weekdayBit = 0; // Monday 1 .. Sunday 64
    std::int8_t ordinal = 0; // 1..5: the n-th such weekday of its month
};

RuleItem ruleItem(const AlarmRecord& item);
RuleDay ruleDay(std::chrono::sys_days day);
inline RuleDay ruleDay(OleDate date)
{
    return ruleDay(date.day());
}

// A listed day runs from 9:00 to 8:59 of the next calendar day: items of 9:00 to
// 23:59 form its day part, items of 0:00 to 8:59 its night part.
constexpr bool inDayWindow(int hour)
{
    return hour >= 9 && hour <= 23;
}
constexpr bool inNightWindow(int hour)
{
    return hour >= 0 && hour <= 8;
}

// Whether the item's kind selects the calendar day, whatever the time of day and
// whether the day lies before the item's date. Kinds outside 1..11 select nothing.
bool ruleFalls(const RuleItem& item, const RuleDay& day);
bool ruleFalls(const AlarmRecord& item, OleDate day);

// The item is listed in the day part of `day`: on or after its date, its rule
// falls on `day` and it rings between 9:00 and 23:59. A listed item offers its
// ring time of today to `nextRingAt` (offerNextRing).
bool inDayPart(const AlarmRecord& item, OleDate day, OleDate now, OleDate& nextRingAt);
// The same for a day already taken apart: a list asks it of every item.
bool inDayPart(const AlarmRecord& item, const RuleDay& day, OleDate now, OleDate& nextRingAt);
// The item is listed in the night part of `day`: it rings between 0:00 and 8:59
// of the next day, on or after its date. Offers like inDayPart.
bool inNightPart(const AlarmRecord& item, OleDate day, OleDate now, OleDate& nextRingAt);

// Places the item on a day of a timetable: monthly, daily, once and quick-timer
// items at any time of day; the weekly-unit kinds only between 9:00 and 23:59.
// Offers nothing; the timetables offer for each item they place.
bool occursOn(const AlarmRecord& item, OleDate day);
bool occursOn(const RuleItem& rule, const RuleDay& day);

// The item rings on `day` (on or after its date, rule falls), at any time of day.
bool ringsOn(const AlarmRecord& item, OleDate day);

// Offers the item's ring moment on `day` (its main bell, or its pre-alarm when
// preMode is 1 or 2) as the earliest ring still ahead of `now`. An item whose
// main bell is not before the moment already known offers nothing.
void offerRingOn(const AlarmRecord& item, std::chrono::sys_days day, OleDate now, OleDate& nextRingAt);
// The same for today, the day of `now`.
void offerNextRing(const AlarmRecord& item, OleDate now, OleDate& nextRingAt);
// The offer from the parts of an item that it reads: the start's seconds of the
// day, `preMode` and `preMinutes`.
void offerRing(std::chrono::sys_days day, int secondsOfDay, int preMode, int preMinutes, OleDate now,
    OleDate& nextRingAt);

} // namespace kvx
