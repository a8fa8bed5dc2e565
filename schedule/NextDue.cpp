#include "schedule/NextDue.h"

#include "schedule/DateHelpers.h"
#include "schedule/FiringDecision.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

namespace kvx {

// How the search works. Apart from the quick timer, a bell can only be due in two
// minutes of a day: the start's minute and the minute of start - offset, the
// offset being how early the pre-alarm rings. The offset is a whole number of
// minutes, so a tick's answer stays the same through each minute, except that a
// daily pre-alarm on its first day waits for the start's own second.
//
// The search walks the days from `from` on. On each day, every alarm that can
// still ring looks at its rule at the level of days (which only rules out days the
// tick's rule rules out too) and, for each minute its bells may fall in, offers
// the minute's first second not before `from`, and for the daily pre-alarm the
// start's own second of that minute as well. The offers of the day are then tried
// in time order with the tick's own rule, dueBellsAt, and the first one due is the
// answer. A quick timer offers the one second from which it is due, if it is
// still to ring.

namespace {

using namespace std::chrono;

constexpr long long kSecondsPerDay = 86400;
constexpr long long kQuickTimerWindow = 60;

// The search looks at this many days at least, so that a horizon is always a day
// or more ahead, and at most five weeks; in between, as many as the alarms that can
// still ring allow within this many day looks.
constexpr int kMinDays = 2;
constexpr int kMaxDays = 35;
constexpr long long kDayLooksPerCall = 100000;

// The pre-alarm offset reaches 32768 minutes either way, under 23 days: the rules
// read the days this far around the ones searched.
constexpr int kOffsetDays = 24;

// Division rounding down, for b > 0.
long long floorDiv(long long a, long long b)
{
    const long long q = a / b;
    return q * b > a ? q - 1 : q;
}

long long floorMod(long long a, long long b)
{
    const long long r = a % b;
    return r < 0 ? r + b : r;
}

long long dayOf(long long seconds)
{
    return floorDiv(seconds, kSecondsPerDay);
}

int minuteOf(long long seconds)
{
    return static_cast<int>(floorMod(seconds, kSecondsPerDay) / 60);
}

OleDate atSeconds(long long seconds)
{
    return OleDate().plusSeconds(seconds);
}

bool isNthWeekKind(int kind)
{
    return kind >= kKindFirstWeek && kind <= kKindFifthWeek;
}

// The calendar facts of one day that the rules read.
struct DayFacts {
    int dayOfMonth = 0;
    int weekday = 0; // 1 Sunday .. 7 Saturday
    int monthDays = 0;
};

DayFacts factsOf(long long dayNumber)
{
    const sys_days day = kOleEpoch + days{dayNumber};
    const year_month_day date{day};
    const year_month_day_last last{date.year() / date.month() / std::chrono::last};
    return {static_cast<int>(static_cast<unsigned>(date.day())), weekdayNumber(day),
        static_cast<int>(static_cast<unsigned>(last.day()))};
}

// The facts of a run of days, worked out once a search.
class DayTable {
public:
    DayTable(long long first, long long count)
        : m_first(first)
    {
        m_facts.reserve(static_cast<std::size_t>(count));
        for (long long day = first; day < first + count; ++day) {
            m_facts.push_back(factsOf(day));
        }
    }

    DayFacts operator()(long long day) const
    {
        const long long i = day - m_first;
        if (i < 0 || i >= static_cast<long long>(m_facts.size())) {
            return factsOf(day);
        }
        return m_facts[static_cast<std::size_t>(i)];
    }

private:
    long long m_first;
    std::vector<DayFacts> m_facts;
};

// A day searched, with its facts.
struct Day {
    long long number = 0;
    DayFacts facts;
};

// What the rules read of one alarm that can still ring, worked out once a search.
// The tick's instant c (now + offset) lies a fixed number of days after the tick's
// day for a tick in a given minute.
struct Plan {
    std::size_t index = 0;
    int kind = 0;
    int mask = 0;
    bool mainBell = false;
    bool preAlarm = false;
    long long startDay = 0;
    int startMinute = 0;
    int startSecond = 0; // within its minute
    int startDayOfMonth = 0; // monthly only
    int startWeekday = 0; // every other week only
    int preMinute = 0; // the minute of start - offset
    long long preDay = 0; // the day of start - offset
    long long shiftAtPre = 0; // c's day minus the tick's day, the tick in preMinute
    long long shiftAtStart = 0; // the same with the tick in startMinute
    long long lastAlarmDay = 0;
    long long lastPreAlarmDay = 0;
    long long quickAt = 0; // quick timer: the one second to try

    bool ticked(int weekday) const { return (mask & weekdayBit(weekday)) != 0; }
    int nth() const { return kind - kKindFirstWeek + 1; }
    // The day is the n-th of its weekday in its month and that weekday is ticked.
    bool isNthTicked(int dayOfMonth, int weekday) const
    {
        return (dayOfMonth - 1) / 7 + 1 == nth() && ticked(weekday);
    }
};

// Adds the plan of an alarm to `plans`, unless none of its bells can ring from
// `from` on. A once alarm and a quick timer are ruled out first, as most of a long
// table are once alarms of the past.
void addPlan(std::vector<Plan>& plans, const AlarmRecord& alarm, std::size_t index, long long from)
{
    const int kind = alarm.kind;
    const int mask = alarm.weekdayMask;
    if (kind < kKindMonthly || kind > kKindFifthWeek) {
        return;
    }
    if ((kind == kKindWeekly || kind == kKindFortnightly || isNthWeekKind(kind)) && (mask & 0x7F) == 0) {
        return;
    }
    bool mainBell = alarm.preMode == kPreNone || alarm.preMode == kPreAndMain;
    bool preAlarm = alarm.preMode == kPreOnly || alarm.preMode == kPreAndMain;
    const long long start = alarm.startTime.totalSeconds();
    const long long offset = preAlarmOffsetSeconds(alarm.preMinutes);
    if (kind == kKindQuick) {
        preAlarm = false;
        mainBell = mainBell && alarm.lastAlarm.isZero() && std::max(from, start) <= start + kQuickTimerWindow;
    } else if (kind == kKindOnce) {
        // Each bell has one minute: the start's, and the one the offset before it.
        const long long mainMinute = start - floorMod(start, 60);
        const long long preMinute = mainMinute - offset;
        mainBell = mainBell && alarm.lastAlarm.isZero() && mainMinute + 60 > from;
        preAlarm = preAlarm && preMinute + 60 > from
            && dayOf(alarm.lastPreAlarm.totalSeconds()) < dayOf(preMinute);
    }
    if (!mainBell && !preAlarm) {
        return;
    }

    Plan& plan = plans.emplace_back();
    plan.index = index;
    plan.kind = kind;
    plan.mask = mask;
    plan.mainBell = mainBell;
    plan.preAlarm = preAlarm;
    const long long startOfDay = floorMod(start, kSecondsPerDay);
    plan.startDay = (start - startOfDay) / kSecondsPerDay;
    plan.startMinute = static_cast<int>(startOfDay / 60);
    plan.startSecond = static_cast<int>(startOfDay % 60);
    plan.preMinute = minuteOf(start - offset);
    plan.preDay = dayOf(start - offset);
    plan.shiftAtPre = dayOf(plan.preMinute * 60LL + offset);
    plan.shiftAtStart = dayOf(plan.startMinute * 60LL + offset);
    plan.lastAlarmDay = dayOf(alarm.lastAlarm.totalSeconds());
    plan.lastPreAlarmDay = dayOf(alarm.lastPreAlarm.totalSeconds());
    plan.quickAt = std::max(from, start);
    const sys_days startDate = kOleEpoch + days{plan.startDay};
    if (kind == kKindMonthly) {
        plan.startDayOfMonth = static_cast<int>(static_cast<unsigned>(year_month_day{startDate}.day()));
    } else if (kind == kKindFortnightly) {
        plan.startWeekday = weekdayNumber(startDate);
    }
}

// Whether the main bell may ring on the day, at the start's minute.
bool mainBellFalls(const Plan& plan, const Day& day)
{
    if (plan.kind == kKindOnce) {
        return day.number == plan.startDay;
    }
    if (plan.lastAlarmDay >= day.number) {
        return false;
    }
    switch (plan.kind) {
    case kKindMonthly:
        return day.number >= plan.startDay && day.facts.dayOfMonth == plan.startDayOfMonth;
    case kKindWeekly:
        return day.number >= plan.startDay && plan.ticked(day.facts.weekday);
    case kKindDaily:
        return day.number >= plan.startDay;
    case kKindFortnightly:
        // A ticked weekday in the first week of a fortnight counted from the start,
        // before the start too.
        return floorMod(day.number - plan.startDay, 14) < 7 && plan.ticked(day.facts.weekday);
    default:
        // The zero date stands for a missing n-th weekday: left to the tick's rule.
        return plan.isNthTicked(day.facts.dayOfMonth, day.facts.weekday) || day.number == 0;
    }
}

// Whether the pre-alarm may ring on the day with the tick at the minute of start -
// offset, where c is at the start's minute.
bool preAlarmFallsAtPreMinute(const Plan& plan, const Day& day, const DayTable& calendar)
{
    const long long cDay = day.number + plan.shiftAtPre;
    switch (plan.kind) {
    case kKindMonthly:
        return calendar(cDay).dayOfMonth == plan.startDayOfMonth;
    case kKindWeekly:
        return plan.ticked(calendar(cDay).weekday);
    case kKindDaily:
        return cDay >= plan.startDay;
    case kKindOnce:
        return cDay == plan.startDay;
    case kKindFortnightly:
        return floorMod(day.number - plan.preDay, 14) == 0 && plan.ticked(plan.startWeekday);
    default: {
        const DayFacts c = calendar(cDay);
        return plan.isNthTicked(c.dayOfMonth, c.weekday) || cDay == 0;
    }
    }
}

// Every other week and the n-th weekday kinds also match their pre-alarm with the
// tick at the start's own minute.
bool preAlarmFallsAtStartMinute(const Plan& plan, const Day& day, const DayTable& calendar)
{
    if (plan.kind == kKindFortnightly) {
        return floorMod(day.number - plan.startDay, 14) < 7 && plan.ticked(day.facts.weekday);
    }
    if (!isNthWeekKind(plan.kind)) {
        return false;
    }
    // The tick's day of the month, taken in c's month.
    const DayFacts c = calendar(day.number + plan.shiftAtStart);
    const int dayOfMonth = day.facts.dayOfMonth;
    if (dayOfMonth > c.monthDays) {
        return false;
    }
    const int weekday = static_cast<int>((c.weekday - 1 + floorMod(dayOfMonth - c.dayOfMonth, 7)) % 7) + 1;
    return plan.isNthTicked(dayOfMonth, weekday);
}

// A second to try with the tick's rule, and the alarm to try.
struct Offer {
    long long seconds = 0;
    std::size_t index = 0;
};

class Offers {
public:
    explicit Offers(long long from)
        : m_from(from)
    {
    }

    // The first second of the minute not before `from`, and the start's own second
    // of the minute when it comes later.
    void offerMinute(const Plan& plan, const Day& day, int minute, bool withStartSecond)
    {
        const long long begin = day.number * kSecondsPerDay + minute * 60LL;
        if (begin + 60 <= m_from) {
            return;
        }
        const long long first = std::max(begin, m_from);
        m_offers.push_back({first, plan.index});
        if (withStartSecond && begin + plan.startSecond > first) {
            m_offers.push_back({begin + plan.startSecond, plan.index});
        }
    }

    void offerDay(const Plan& plan, const Day& day, const DayTable& calendar)
    {
        if (plan.kind == kKindQuick) {
            if (dayOf(plan.quickAt) == day.number) {
                m_offers.push_back({plan.quickAt, plan.index});
            }
            return;
        }
        if (plan.mainBell && mainBellFalls(plan, day)) {
            offerMinute(plan, day, plan.startMinute, false);
        }
        if (plan.preAlarm && plan.lastPreAlarmDay < day.number) {
            if (preAlarmFallsAtPreMinute(plan, day, calendar)) {
                // The daily pre-alarm waits until c reaches the start itself.
                offerMinute(plan, day, plan.preMinute, plan.kind == kKindDaily);
            }
            if (preAlarmFallsAtStartMinute(plan, day, calendar)) {
                offerMinute(plan, day, plan.startMinute, false);
            }
        }
    }

    // The earliest offer due by the tick's rule; the offers are used up.
    std::optional<long long> firstDue(const AlarmTable& table)
    {
        while (!m_offers.empty()) {
            const auto earliest = std::min_element(m_offers.begin(), m_offers.end(),
                [](const Offer& a, const Offer& b) { return a.seconds < b.seconds; });
            const Offer offer = *earliest;
            if (dueBellsAt(table.alarms[offer.index], atSeconds(offer.seconds)).any()) {
                m_offers.clear();
                return offer.seconds;
            }
            *earliest = m_offers.back();
            m_offers.pop_back();
        }
        return std::nullopt;
    }

private:
    long long m_from;
    std::vector<Offer> m_offers;
};

} // namespace

NextCheck nextDueMoment(const AlarmTable& table, OleDate from)
{
    const long long fromSeconds = from.totalSeconds();
    const long long fromDay = dayOf(fromSeconds);
    const std::size_t count
        = std::min(static_cast<std::size_t>(std::max<int>(table.alarmCount, 0)), table.alarms.size());

    std::vector<Plan> plans;
    plans.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        addPlan(plans, table.alarms[i], i, fromSeconds);
    }

    const long long looksPerDay = std::max<long long>(static_cast<long long>(plans.size()), 1);
    const long long dayCount = std::clamp<long long>(kDayLooksPerCall / looksPerDay, kMinDays, kMaxDays);
    const DayTable calendar(fromDay - kOffsetDays, dayCount + 2 * kOffsetDays);
    Offers offers(fromSeconds);
    for (long long number = fromDay; number < fromDay + dayCount; ++number) {
        const Day day{number, calendar(number)};
        for (const Plan& plan : plans) {
            offers.offerDay(plan, day, calendar);
        }
        if (const auto due = offers.firstDue(table)) {
            return {atSeconds(*due), true};
        }
    }
    return {atSeconds((fromDay + dayCount) * kSecondsPerDay), false};
}

NextTick nextTick(const AlarmTable& table, const LocalTime& local, long long epochSeconds)
{
    if (!skippedMinutes(local, epochSeconds).empty()) {
        return {epochSeconds, true};
    }
    const NextCheck next = nextDueMoment(table, local.wallAt(epochSeconds));
    return {std::max(epochSeconds, local.instantOf(next.at)), next.found};
}

} // namespace kvx
