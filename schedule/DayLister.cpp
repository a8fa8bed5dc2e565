#include "schedule/DayLister.h"

namespace kvx {

DayLister::DayLister(const AlarmTable& table, const DisplayOrder& order)
{
    for (std::size_t position = 0; position < order.size(); ++position) {
        order.fetchAhead(table, position);
        const DisplayOrder::Entry& entry = order[position];
        const AlarmRecord& record = table.alarms[static_cast<std::size_t>(entry.alarmIndex)];
        const Item item{ruleItem(record), entry.alarmIndex, record.startTime.secondsOfDay(), record.preMode,
            record.preMinutes};
        if (inDayWindow(item.rule.hour)) {
            m_dayItems.push_back(item);
        } else if (inNightWindow(item.rule.hour)) {
            m_nightItems.push_back(item);
        }
    }
}

void DayLister::appendDayPart(
    OleDate day, OleDate now, OleDate& nextRingAt, std::vector<int>& out, std::size_t limit) const
{
    appendMatches(m_dayItems, ruleDay(day), now, nextRingAt, out, limit);
}

void DayLister::appendNightPart(OleDate day, OleDate now, OleDate& nextRingAt, std::vector<int>& out) const
{
    appendMatches(m_nightItems, ruleDay(day.day() + std::chrono::days{1}), now, nextRingAt, out, kNoLimit);
}

void DayLister::fillDayRowMap(
    OleDate day, OleDate now, OleDate& nextRingAt, std::vector<int>& dayRowMap) const
{
    dayRowMap.clear();
    appendDayPart(day, now, nextRingAt, dayRowMap);
    appendNightPart(day, now, nextRingAt, dayRowMap);
}

void DayLister::appendMatches(const std::vector<Item>& items, const RuleDay& day, OleDate now,
    OleDate& nextRingAt, std::vector<int>& out, std::size_t limit) const
{
    const std::chrono::sys_days today = now.day();
    std::size_t found = 0;
    for (const Item& item : items) {
        if (found == limit) {
            return;
        }
        if (day.day >= item.rule.firstDay && ruleFalls(item.rule, day)) {
            out.push_back(item.alarmIndex);
            offerRing(today, item.secondsOfDay, item.preMode, item.preMinutes, now, nextRingAt);
            ++found;
        }
    }
}

} // namespace kvx
