#include "schedule/Recurrence.h"

#include "schedule/DateHelpers.h"

namespace kvx {

using namespace std::chrono;

namespace {

constexpr std::int32_t floorDiv(std::int32_t a, std::int32_t b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

constexpr bool isWeeklyUnit(int kind)
{
    return kind == kKindWeekly || (kind >= kKindFortnightly && kind <= kKindFifthWeek);
}

bool weeklyMatch(int mask, const RuleDay& day)
{
    return (mask & day.weekdayBit) != 0;
}

// The anchors are the seven days from the start date on, one per weekday; each
// ticked weekday recurs every 14 days from its anchor, before and after it. So a
// day matches when its weekday is ticked and it lies an even number of whole weeks
// from the start date.
bool fortnightMatch(int mask, const RuleDay& day, const RuleItem& item)
{
    return weeklyMatch(mask, day) && floorDiv(day.day - item.firstDay, 7) % 2 == 0;
}

// The n-th weekday of a month falls on days 7n-6 .. 7n, whatever the month.
bool nthWeekMatch(int n, int mask, const RuleDay& day)
{
    return weeklyMatch(mask, day) && day.ordinal == n;
}

std::int32_t dayNumber(sys_days day)
{
    return static_cast<std::int32_t>((day - kOleEpoch).count());
}

} // namespace

RuleItem ruleItem(const AlarmRecord& item)
{
    const sys_days first = item.startTime.day();
    RuleItem result;
    result.firstDay = dayNumber(first);
    const bool knownKind = item.kind >= kKindNone && item.kind <= kKindFifthWeek;
    result.kind = static_cast<std::int8_t>(knownKind ? item.kind : -1);
    result.weekdayMask = static_cast<std::int8_t>(item.weekdayMask & 0x7F);
    result.dayOfMonth = static_cast<std::int8_t>(static_cast<unsigned>(year_month_day{first}.day()));
    result.hour = static_cast<std::int8_t>(item.startTime.hour());
    return result;
}

RuleDay ruleDay(sys_days day)
{
    const auto dayOfMonth = static_cast<int>(static_cast<unsigned>(year_month_day{day}.day()));
    RuleDay result;
    result.day = dayNumber(day);
    result.dayOfMonth = static_cast<std::int8_t>(dayOfMonth);
    result.weekdayBit = static_cast<std::int8_t>(weekdayBit(weekdayNumber(day)));
    result.ordinal = static_cast<std::int8_t>((dayOfMonth - 1) / 7 + 1);
    return result;
}

bool ruleFalls(const RuleItem& item, const RuleDay& day)
{
    switch (item.kind) {
    case kKindMonthly:
        return day.dayOfMonth == item.dayOfMonth;
    case kKindWeekly:
        return weeklyMatch(item.weekdayMask, day);
    case kKindDaily:
        return true;
    case kKindOnce:
    case kKindQuick:
        return day.day == item.firstDay;
    case kKindFortnightly:
        return fortnightMatch(item.weekdayMask, day, item);
    default:
        if (item.kind >= kKindFirstWeek && item.kind <= kKindFifthWeek) {
            return nthWeekMatch(item.kind - kKindFirstWeek + 1, item.weekdayMask, day);
        }
        return false;
    }
}

bool ruleFalls(const AlarmRecord& item, OleDate day)
{
    return ruleFalls(ruleItem(item), ruleDay(day));
}

bool inDayPart(const AlarmRecord& item, OleDate day, OleDate now, OleDate& nextRingAt)
{
    return inDayPart(item, ruleDay(day), now, nextRingAt);
}

bool inDayPart(const AlarmRecord& item, const RuleDay& day, OleDate now, OleDate& nextRingAt)
{
    const RuleItem rule = ruleItem(item);
    if (day.day < rule.firstDay || !inDayWindow(rule.hour) || !ruleFalls(rule, day)) {
        return false;
    }
    offerNextRing(item, now, nextRingAt);
    return true;
}

bool inNightPart(const AlarmRecord& item, OleDate day, OleDate now, OleDate& nextRingAt)
{
    const RuleItem rule = ruleItem(item);
    const RuleDay ringing = ruleDay(day.day() + days{1});
    if (ringing.day < rule.firstDay || !inNightWindow(rule.hour) || !ruleFalls(rule, ringing)) {
        return false;
    }
    offerNextRing(item, now, nextRingAt);
    return true;
}

bool occursOn(const AlarmRecord& item, OleDate day)
{
    return occursOn(ruleItem(item), ruleDay(day));
}

bool occursOn(const RuleItem& rule, const RuleDay& day)
{
    if (day.day < rule.firstDay || !ruleFalls(rule, day)) {
        return false;
    }
    return !isWeeklyUnit(rule.kind) || inDayWindow(rule.hour);
}

bool ringsOn(const AlarmRecord& item, OleDate day)
{
    const RuleItem rule = ruleItem(item);
    const RuleDay tested = ruleDay(day);
    return tested.day >= rule.firstDay && ruleFalls(rule, tested);
}

void offerRingOn(const AlarmRecord& item, sys_days day, OleDate now, OleDate& nextRingAt)
{
    offerRing(day, item.startTime.secondsOfDay(), item.preMode, item.preMinutes, now, nextRingAt);
}

void offerRing(sys_days day, int secondsOfDay, int preMode, int preMinutes, OleDate now, OleDate& nextRingAt)
{
    const OleDate mainBell = OleDate::fromDay(day, secondsOfDay);
    if (!nextRingAt.isZero() && nextRingAt <= mainBell) {
        return;
    }
    if (preMode < 0) {
        return;
    }
    const bool preAlarm = preMode == kPreOnly || preMode == kPreAndMain;
    const OleDate candidate = preAlarm ? mainBell.plusSeconds(-preAlarmOffsetSeconds(preMinutes)) : mainBell;
    if (now < candidate && (nextRingAt.isZero() || candidate < nextRingAt)) {
        nextRingAt = candidate;
    }
}

void offerNextRing(const AlarmRecord& item, OleDate now, OleDate& nextRingAt)
{
    offerRingOn(item, now.day(), now, nextRingAt);
}

} // namespace kvx
