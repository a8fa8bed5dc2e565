#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <cstdint>
#include <vector>

// Dates and alarms for the schedule tests.
namespace kvx::test {

inline OleDate at(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return OleDate::fromCivil(y, m, d, h, mi, s);
}

// An alarm that starts and ends at `start`, with nothing else set.
inline AlarmRecord item(int kind, int mask, OleDate start, int preMode = 0, int preMinutes = 0)
{
    AlarmRecord record;
    record.kind = static_cast<std::int16_t>(kind);
    record.weekdayMask = static_cast<std::int16_t>(mask);
    record.startTime = start;
    record.endTime = start;
    record.preMode = static_cast<std::int16_t>(preMode);
    record.preMinutes = static_cast<std::int16_t>(preMinutes);
    return record;
}

inline AlarmTable tableOf(const std::vector<AlarmRecord>& alarms)
{
    AlarmTable table;
    for (const AlarmRecord& record : alarms) {
        table.add(record);
    }
    return table;
}

} // namespace kvx::test
