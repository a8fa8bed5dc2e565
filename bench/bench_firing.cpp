#include "schedule/FiringDecision.h"

#include <benchmark/benchmark.h>

namespace {

using kvx::AlarmRecord;
using kvx::AlarmTable;
using kvx::OleDate;

// A Tuesday.
const OleDate kNow = OleDate::fromCivil(2026, 3, 10, 12, 34, 56);

// A full table of every kind and bell mode with a spread of weekdays. None of its
// alarms rings at kNow: either their minutes lie elsewhere in the day, or they are
// all at the current minute with a rule that skips today (no Tuesday ticked, a start
// that is no Tuesday, a daily start still ahead), so that every rule runs in full.
AlarmTable fullTable(bool atCurrentMinute)
{
    AlarmTable table;
    for (int i = 0; i < AlarmTable::kMaxAlarms; ++i) {
        AlarmRecord alarm;
        alarm.kind = static_cast<std::int16_t>(1 + i % 11);
        const int mask = (1 + i % 127) & ~kvx::kTuesday;
        alarm.weekdayMask = static_cast<std::int16_t>(mask != 0 ? mask : kvx::kMonday);
        alarm.preMode = static_cast<std::int16_t>(i % 3);
        // Offsets of 5 to 54 minutes end before 13:30.
        alarm.preMinutes = static_cast<std::int16_t>(atCurrentMinute ? 0 : 5 + i % 50);
        const int minute = atCurrentMinute ? 12 * 60 + 34 : 14 * 60 + i % 540;
        // February 2026's Tuesdays are the 3rd, 10th, 17th and 24th.
        int day = 1 + i % 28;
        if (day % 7 == 3) {
            ++day;
        }
        const int month = alarm.kind == kvx::kKindDaily ? 4 : 2;
        alarm.startTime = OleDate::fromCivil(2026, month, day, minute / 60, minute % 60);
        alarm.endTime = alarm.startTime;
        table.add(alarm);
    }
    return table;
}

void scan(benchmark::State& state, bool atCurrentMinute)
{
    AlarmTable table = fullTable(atCurrentMinute);
    for (auto _ : state) {
        const auto firing = kvx::fireDueAlarm(table, kNow);
        if (firing) {
            state.SkipWithError("an alarm fired");
            break;
        }
        benchmark::DoNotOptimize(firing);
    }
    state.counters["alarms"] = table.alarmCount;
}

// The usual second: no alarm near its minute.
void BM_ScanNoneNearItsMinute(benchmark::State& state)
{
    scan(state, false);
}
BENCHMARK(BM_ScanNoneNearItsMinute)->Unit(benchmark::kMicrosecond);

// The worst second: every alarm at its minute, every rule tested in full.
void BM_ScanAllAtTheirMinuteOnOtherDays(benchmark::State& state)
{
    scan(state, true);
}
BENCHMARK(BM_ScanAllAtTheirMinuteOnOtherDays)->Unit(benchmark::kMicrosecond);

} // namespace
