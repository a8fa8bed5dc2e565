#include "schedule/FiringDecision.h"

#include "schedule/DateHelpers.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>

namespace kvx {

namespace {

using namespace std::chrono;

constexpr long long kSecondsPerDay = 86400;
constexpr long long kQuickTimerWindow = 60;

// An instant at whole seconds with its day number (days since 1899-12-30) and its
// minute of the day. Bells match the "yyyy/mm/dd" and "hh:nn" texts of instants;
// day numbers and minutes give the same answers and order every date, the zero
// date and the days before it included, as those texts do.
struct Moment {
    long long seconds = 0;
    long long dayNumber = 0;
    int minute = 0; // [0, 1439]

    static Moment at(long long seconds)
    {
        long long dayNumber = seconds / kSecondsPerDay;
        long long rest = seconds % kSecondsPerDay;
        if (rest < 0) {
            rest += kSecondsPerDay;
            --dayNumber;
        }
        return {seconds, dayNumber, static_cast<int>(rest / 60)};
    }
    static Moment of(OleDate date) { return at(date.totalSeconds()); }

    sys_days civilDay() const { return kOleEpoch + days{dayNumber}; }
    unsigned dayOfMonth() const { return static_cast<unsigned>(year_month_day{civilDay()}.day()); }
    int weekday() const { return weekdayNumber(civilDay()); }
};

// The state of one tick: the current instant and the month tables built so far.
// A pre-alarm offset reaches at most 22 days, so three months always suffice.
class TickScan {
public:
    explicit TickScan(OleDate now)
        : m_now(Moment::of(now))
        , m_dayOfMonth(m_now.dayOfMonth())
        , m_weekday(m_now.weekday())
    {
    }

    DueBells evaluate(const AlarmRecord& alarm)
    {
        const Moment start = Moment::of(alarm.startTime);
        return {mainBellDue(alarm, start), preAlarmDue(alarm, start)};
    }

private:
    bool rangBeforeToday(OleDate last) const { return Moment::of(last).dayNumber < m_now.dayNumber; }

    bool mainBellDue(const AlarmRecord& alarm, const Moment& start)
    {
        if (alarm.preMode != kPreNone && alarm.preMode != kPreAndMain) {
            return false;
        }
        switch (alarm.kind) {
        case kKindMonthly:
        case kKindWeekly:
        case kKindDaily:
            return start.minute == m_now.minute && start.dayNumber <= m_now.dayNumber
                && fallsToday(alarm, start) && rangBeforeToday(alarm.lastAlarm);
        case kKindOnce:
            return alarm.lastAlarm.isZero() && start.dayNumber == m_now.dayNumber
                && start.minute == m_now.minute;
        case kKindQuick:
            return alarm.lastAlarm.isZero() && start.seconds <= m_now.seconds
                && m_now.seconds <= start.seconds + kQuickTimerWindow;
        case kKindFortnightly:
            return fortnightMatch(alarm, start, 0) && rangBeforeToday(alarm.lastAlarm);
        default:
            return isNthWeekKind(alarm.kind) && nthWeekdayMatch(alarm, start, m_now)
                && rangBeforeToday(alarm.lastAlarm);
        }
    }

    // Monthly, weekly and daily: whether today is one of the alarm's days.
    bool fallsToday(const AlarmRecord& alarm, const Moment& start) const
    {
        switch (alarm.kind) {
        case kKindMonthly:
            return start.dayOfMonth() == m_dayOfMonth;
        case kKindWeekly:
            return (alarm.weekdayMask & weekdayBit(m_weekday)) != 0;
        default:
            return true;
        }
    }

    // The pre-alarm tests the start against c, the instant the main bell would be
    // at if it rang the offset from now.
    bool preAlarmDue(const AlarmRecord& alarm, const Moment& start)
    {
        if (alarm.preMode != kPreOnly && alarm.preMode != kPreAndMain) {
            return false;
        }
        const long long offset = preAlarmOffsetSeconds(alarm.preMinutes);
        const Moment c = Moment::at(m_now.seconds + offset);
        bool due = false;
        switch (alarm.kind) {
        case kKindMonthly:
            due = c.minute == start.minute && c.dayOfMonth() == start.dayOfMonth();
            break;
        case kKindWeekly:
            due = c.minute == start.minute && (alarm.weekdayMask & weekdayBit(c.weekday())) != 0;
            break;
        case kKindDaily:
            due = c.minute == start.minute && c.seconds >= start.seconds;
            break;
        case kKindOnce:
            due = c.minute == start.minute && c.dayNumber == start.dayNumber;
            break;
        case kKindQuick:
            break;
        case kKindFortnightly:
            due = fortnightMatch(alarm, start, offset);
            break;
        default:
            due = isNthWeekKind(alarm.kind) && nthWeekdayMatch(alarm, start, c);
            break;
        }
        return due && rangBeforeToday(alarm.lastPreAlarm);
    }

    static bool isNthWeekKind(int kind) { return kind >= kKindFirstWeek && kind <= kKindFifthWeek; }

    // Every other week, counted from s = start - offset. On the days a multiple of
    // 14 from s's date it matches at s's minute whatever weekday that is; on the
    // other ticked days of the start's week and their fortnights it matches at the
    // start's minute only, also with an offset.
    bool fortnightMatch(const AlarmRecord& alarm, const Moment& start, long long offset) const
    {
        const Moment s = Moment::at(start.seconds - offset);
        const bool atS = s.minute == m_now.minute;
        const bool atStart = start.minute == m_now.minute;
        if (!atS && !atStart) {
            return false;
        }
        if ((m_now.dayNumber - s.dayNumber) % 14 == 0) {
            // The start day counts only when its weekday is ticked; otherwise the
            // alarm would ring on a day that no list shows it on.
            return atS && (alarm.weekdayMask & weekdayBit(start.weekday())) != 0;
        }
        if (!atStart) {
            return false;
        }
        const int firstWeekday = start.weekday();
        for (int i = 0; i < 7; ++i) {
            const int weekday = (firstWeekday - 1 + i) % 7 + 1;
            if ((alarm.weekdayMask & weekdayBit(weekday)) != 0
                && (m_now.dayNumber - start.dayNumber - i) % 14 == 0) {
                return true;
            }
        }
        return false;
    }

    // The n-th ticked weekday of c's month at the start's minute, either reached by c
    // itself or, with its day number taken in the current month, by now. Without an
    // offset c is now and both forms agree.
    bool nthWeekdayMatch(const AlarmRecord& alarm, const Moment& start, const Moment& c)
    {
        const bool cAtStart = c.minute == start.minute;
        const bool nowAtStart = m_now.minute == start.minute;
        if (!cAtStart && !nowAtStart) {
            return false;
        }
        const int n = alarm.kind - kKindFirstWeek + 1;
        const year_month_day cDate{c.civilDay()};
        const MonthTable& table = monthTable(cDate.year() / cDate.month());
        // Day d of the month is the n-th of a ticked weekday exactly when its entry
        // has that weekday and ordinal n.
        const auto isNthTicked = [&](unsigned day) {
            if (day > static_cast<unsigned>(table.days())) {
                return false;
            }
            const MonthTable::Entry entry = table.dayEntry(static_cast<int>(day));
            return entry.ordinal == n && (alarm.weekdayMask & weekdayBit(entry.weekday)) != 0;
        };
        if (cAtStart
            && (isNthTicked(static_cast<unsigned>(cDate.day()))
                || (c.dayNumber == 0 && lacksNthTicked(alarm, table, n)))) {
            return true;
        }
        return nowAtStart && isNthTicked(m_dayOfMonth);
    }

    // A month without the n-th day of a ticked weekday yields the zero date for it,
    // which c reaches on 1899-12-30 itself.
    static bool lacksNthTicked(const AlarmRecord& alarm, const MonthTable& table, int n)
    {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            if ((alarm.weekdayMask & weekdayBit(weekday)) != 0 && table.nthWeekdayDay(n, weekday) == 0) {
                return true;
            }
        }
        return false;
    }

    const MonthTable& monthTable(year_month month)
    {
        for (auto& table : m_months) {
            if (table && table->month() == month) {
                return *table;
            }
        }
        auto* free = std::find_if(m_months.begin(), m_months.end(), [](const auto& t) { return !t; });
        auto& slot = free != m_months.end() ? *free : m_months.back();
        slot.emplace(month);
        return *slot;
    }

    Moment m_now;
    unsigned m_dayOfMonth;
    int m_weekday;
    std::array<std::optional<MonthTable>, 3> m_months;
};

} // namespace

DueBells dueBellsAt(const AlarmRecord& alarm, OleDate now)
{
    return TickScan(now).evaluate(alarm);
}

std::optional<Firing> fireDueAlarm(AlarmTable& table, OleDate now, const std::vector<OleDate>& skipped)
{
    TickScan scan(now);
    std::vector<TickScan> gap(skipped.begin(), skipped.end());
    const std::size_t count
        = std::min(static_cast<std::size_t>(std::max<int>(table.alarmCount, 0)), table.alarms.size());
    for (std::size_t i = 0; i < count; ++i) {
        AlarmRecord& alarm = table.alarms[i];
        DueBells due = scan.evaluate(alarm);
        // A bell of a minute the clocks skipped rings now, as if it were that minute.
        for (std::size_t m = 0; m < gap.size() && !due.any(); ++m) {
            due = gap[m].evaluate(alarm);
        }
        if (!due.any()) {
            continue;
        }
        if (due.mainBell) {
            alarm.lastAlarm = now;
        }
        if (due.preAlarm) {
            alarm.lastPreAlarm = now;
        }
        return Firing{static_cast<int>(i), due.mainBell, due.preAlarm};
    }
    return std::nullopt;
}

} // namespace kvx
