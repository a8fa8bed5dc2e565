#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/DisplayOrder.h"
#include "schedule/Recurrence.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace kvx {

// Lists the alarms of a day in display order, for views that ask about many days
// (a month grid asks about 42). It copies what it needs of each alarm when it is
// built, so build a new one after the table or the order changes. Every listed
// alarm offers its ring time to `nextRingAt`, as inDayPart and inNightPart do.
class DayLister {
public:
    static constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

    DayLister(const AlarmTable& table, const DisplayOrder& order);

    // Appends the alarms in the day part of `day`, at most `limit` of them.
    void appendDayPart(OleDate day, OleDate now, OleDate& nextRingAt, std::vector<int>& out,
        std::size_t limit = kNoLimit) const;
    // Appends the alarms in the night part of `day` (ringing 0:00 to 8:59 the day after).
    void appendNightPart(OleDate day, OleDate now, OleDate& nextRingAt, std::vector<int>& out) const;
    // The rows of a per-day list: the day part, then the night part.
    void fillDayRowMap(OleDate day, OleDate now, OleDate& nextRingAt, std::vector<int>& dayRowMap) const;

private:
    // Everything a listing reads of an alarm, so that it never touches the records.
    struct Item {
        RuleItem rule;
        std::int32_t alarmIndex;
        std::int32_t secondsOfDay;
        std::int16_t preMode;
        std::int16_t preMinutes;
    };

    void appendMatches(const std::vector<Item>& items, const RuleDay& day, OleDate now, OleDate& nextRingAt,
        std::vector<int>& out, std::size_t limit) const;

    std::vector<Item> m_dayItems; // 9:00 to 23:59, in display order
    std::vector<Item> m_nightItems; // 0:00 to 8:59, in display order
};

} // namespace kvx
