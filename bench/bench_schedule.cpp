#include "bench/BenchTables.h"
#include "core/Records.h"
#include "schedule/AlarmRows.h"
#include "schedule/DayLister.h"
#include "schedule/DisplayOrder.h"
#include "schedule/NextAlarm.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace kvx {
namespace {

using namespace std::chrono;

const sys_days kGridStart = sys_days{year{2024} / June / 1} - days{6}; // Sunday before 1 June
const OleDate kNow = OleDate::fromCivil(2024, 6, 12, 8, 15);

struct Fixture {
    explicit Fixture(int count)
        : table(randomTable(count))
    {
        rebuildDisplayOrder(table, order);
    }
    AlarmTable table;
    DisplayOrder order;
};

OleDate gridDay(int cell)
{
    return OleDate::fromDay(kGridStart + days{cell});
}

void BM_RebuildDisplayOrder(benchmark::State& state)
{
    const AlarmTable table = randomTable(static_cast<int>(state.range(0)));
    DisplayOrder order;
    for (auto _ : state) {
        rebuildDisplayOrder(table, order);
        benchmark::DoNotOptimize(order.alarmIndex(0));
    }
}
BENCHMARK(BM_RebuildDisplayOrder)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

// The day-part test of the whole table for each of the 42 cells.
void BM_MonthGridDayParts(benchmark::State& state)
{
    const Fixture fixture(static_cast<int>(state.range(0)));
    std::vector<int> listed;
    for (auto _ : state) {
        const DayLister lister(fixture.table, fixture.order);
        OleDate nextRingAt;
        for (int cell = 0; cell < 42; ++cell) {
            listed.clear();
            lister.appendDayPart(gridDay(cell), kNow, nextRingAt, listed);
        }
        benchmark::DoNotOptimize(nextRingAt);
    }
}
BENCHMARK(BM_MonthGridDayParts)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

// The row map of the per-day list (day part, then night part) for each of the 42 days.
void BM_MonthGridDayRowMaps(benchmark::State& state)
{
    const Fixture fixture(static_cast<int>(state.range(0)));
    std::vector<int> dayRowMap;
    for (auto _ : state) {
        const DayLister lister(fixture.table, fixture.order);
        OleDate nextRingAt;
        for (int cell = 0; cell < 42; ++cell) {
            lister.fillDayRowMap(gridDay(cell), kNow, nextRingAt, dayRowMap);
        }
        benchmark::DoNotOptimize(dayRowMap.data());
    }
}
BENCHMARK(BM_MonthGridDayRowMaps)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

// The whole month grid: per-day row maps and the day-part test of every day.
void BM_MonthGrid(benchmark::State& state)
{
    const Fixture fixture(static_cast<int>(state.range(0)));
    std::vector<int> dayRowMap;
    std::vector<int> listed;
    for (auto _ : state) {
        const DayLister lister(fixture.table, fixture.order);
        OleDate nextRingAt;
        for (int cell = 0; cell < 42; ++cell) {
            lister.fillDayRowMap(gridDay(cell), kNow, nextRingAt, dayRowMap);
            listed.clear();
            lister.appendDayPart(gridDay(cell), kNow, nextRingAt, listed);
        }
        benchmark::DoNotOptimize(dayRowMap.data());
    }
}
BENCHMARK(BM_MonthGrid)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

// The calendar list's rows with their four texts for each of the 42 days.
void BM_MonthGridCalendarRows(benchmark::State& state)
{
    const Fixture fixture(static_cast<int>(state.range(0)));
    std::vector<int> dayRowMap;
    std::size_t rows = 0;
    for (auto _ : state) {
        const DayLister lister(fixture.table, fixture.order);
        OleDate nextRingAt;
        for (int cell = 0; cell < 42; ++cell) {
            const CalendarList list = calendarListRows(fixture.table, fixture.order, lister, CalendarTab::Day,
                gridDay(cell), kNow, nextRingAt, dayRowMap);
            rows += list.rows.size();
        }
    }
    state.counters["rowsPerGrid"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MonthGridCalendarRows)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_EditorDayView(benchmark::State& state)
{
    const Fixture fixture(static_cast<int>(state.range(0)));
    std::vector<int> dayRowMap;
    for (auto _ : state) {
        OleDate nextRingAt;
        const auto rows = editorListRows(
            fixture.table, fixture.order, EditorView::Day, kNow, kNow, false, nextRingAt, dayRowMap);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_EditorDayView)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_NextAlarmTooltip(benchmark::State& state)
{
    const Fixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        OleDate nextRingAt;
        benchmark::DoNotOptimize(nextAlarmTooltip(fixture.table, kNow, nextRingAt));
    }
}
BENCHMARK(BM_NextAlarmTooltip)->Arg(32767)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kvx
