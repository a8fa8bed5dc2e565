#pragma once

#include "core/Records.h"

#include <chrono>
#include <random>

namespace kvx {

// Alarms as people keep them: mostly once-only items spread over two years and
// weekly or daily routines, on quarter hours of the waking day.
inline AlarmTable randomTable(int count)
{
    std::mt19937 random(static_cast<unsigned>(count));
    std::discrete_distribution<int> kind({0, 8, 20, 10, 40, 5, 5, 3, 3, 2, 2, 2});
    using namespace std::chrono;
    std::uniform_int_distribution<int> day(-365, 365), hour(5, 23), quarter(0, 3), weekday(0, 6), extra(0, 3),
        preMinutes(0, 60);
    std::bernoulli_distribution withPreAlarm(0.2);
    const char* messages[]
        = {"会議", "ゴミ出し", "薬を飲む", "歯医者の予約 15:30 駅前クリニック", "Stand-up"};
    AlarmTable table;
    for (int i = 0; i < count; ++i) {
        AlarmRecord record;
        record.kind = static_cast<std::int16_t>(kind(random));
        int mask = 1 << weekday(random);
        for (int e = extra(random); e > 1; --e) {
            mask |= 1 << weekday(random);
        }
        record.weekdayMask = static_cast<std::int16_t>(mask);
        record.startTime = OleDate::fromDay(sys_days{year{2024} / June / 15} + days{day(random)},
            hour(random) * 3600 + quarter(random) * 900);
        record.endTime = record.startTime.plusSeconds(3600);
        record.preMode = static_cast<std::int16_t>(withPreAlarm(random) ? 2 : 0);
        record.preMinutes = static_cast<std::int16_t>(preMinutes(random));
        record.message = messages[i % 5];
        table.add(record);
    }
    return table;
}

} // namespace kvx
