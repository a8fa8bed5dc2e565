#include "schedule/DisplayOrder.h"

#include <algorithm>
#include <cmath>

namespace kvx {

namespace {

struct SortKey {
    std::int32_t minute;
    double start; // the full start time; NaN taken as the zero date to keep the order strict
    std::int32_t alarmIndex;

    friend bool operator<(const SortKey& a, const SortKey& b)
    {
        if (a.minute != b.minute) {
            return a.minute < b.minute;
        }
        if (a.start != b.start) {
            return a.start < b.start;
        }
        return a.alarmIndex < b.alarmIndex;
    }
};

OleDate timeOfDay(int minute)
{
    return OleDate::fromDay(kOleEpoch, minute * 60);
}

} // namespace

int DisplayOrder::positionOf(int alarmIndex) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
        [alarmIndex](const Entry& e) { return e.alarmIndex == alarmIndex; });
    return found == m_entries.end() ? -1 : static_cast<int>(found - m_entries.begin());
}

void rebuildDisplayOrder(const AlarmTable& table, DisplayOrder& order)
{
    const int count = std::max(0, static_cast<int>(table.alarmCount));
    std::vector<SortKey> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const OleDate start = table.alarms[static_cast<std::size_t>(i)].startTime;
        const double value = std::isnan(start.value()) ? 0.0 : start.value();
        keys.push_back({start.minuteOfDay(), value, i});
    }
    std::sort(keys.begin(), keys.end());

    auto& entries = order.m_entries;
    entries.resize(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // Alarms sharing their minute with a neighbour are keyed by the full start.
        const bool tied = (i > 0 && keys[i - 1].minute == keys[i].minute)
            || (i + 1 < keys.size() && keys[i + 1].minute == keys[i].minute);
        entries[i].key = tied ? OleDate(keys[i].start) : timeOfDay(keys[i].minute);
        entries[i].alarmIndex = keys[i].alarmIndex;
    }
}

} // namespace kvx
