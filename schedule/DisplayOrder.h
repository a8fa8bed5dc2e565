#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvx {

// The one order in which every alarm list shows the alarms: by time of day, and
// alarms at the same minute by their full start time. Position i of a list of all
// alarms shows alarm alarmIndex(i).
class DisplayOrder {
public:
    struct Entry {
        // The start's time of day at whole minutes; the full start time for an
        // alarm that shares its minute with another.
        OleDate key;
        std::int32_t alarmIndex = 0;
    };

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const Entry& operator[](std::size_t position) const { return m_entries[position]; }
    int alarmIndex(std::size_t position) const { return m_entries[position].alarmIndex; }
    std::vector<Entry>::const_iterator begin() const { return m_entries.begin(); }
    std::vector<Entry>::const_iterator end() const { return m_entries.end(); }

    // Position of the alarm in the order, or -1 when it is not in it.
    int positionOf(int alarmIndex) const;

    // A walk in this order jumps through the table and would wait on memory at
    // nearly every record of a large one: a walk at `position` asks for the
    // record a few positions on, which then arrives while this one is read.
    void fetchAhead(const AlarmTable& table, std::size_t position) const
    {
        if (position + kFetchAhead < m_entries.size()) {
            __builtin_prefetch(
                &table.alarms[static_cast<std::size_t>(m_entries[position + kFetchAhead].alarmIndex)]);
        }
    }

private:
    static constexpr std::size_t kFetchAhead = 8;

    friend void rebuildDisplayOrder(const AlarmTable& table, DisplayOrder& order);
    std::vector<Entry> m_entries;
};

// Recomputes the order from the table; every add, change, delete or load of
// alarms is followed by it. Alarms with the same full start time keep no defined
// order among themselves (here: by table index).
void rebuildDisplayOrder(const AlarmTable& table, DisplayOrder& order);

} // namespace kvx
