#include "schedule/Holidays.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

using namespace std::chrono;

// Every day that can carry a holiday name; items per second gives the cost of one call.
void holidayNameEveryDay(benchmark::State& state)
{
    const sys_days first{year{1948} / January / 1};
    const sys_days last{year{2150} / December / 31};
    for (auto _ : state) {
        for (sys_days day = first; day <= last; day += days{1}) {
            benchmark::DoNotOptimize(kvx::holidayName(day));
        }
    }
    state.SetItemsProcessed(state.iterations() * ((last - first).count() + 1));
}
BENCHMARK(holidayNameEveryDay)->Unit(benchmark::kMillisecond);

// The month calendar asks for 42 days at a time.
void holidayNameMonthGrid(benchmark::State& state)
{
    const sys_days first{year{2019} / April / 28};
    for (auto _ : state) {
        for (int cell = 0; cell < 42; ++cell) {
            benchmark::DoNotOptimize(kvx::holidayName(first + days{cell}));
        }
    }
    state.SetItemsProcessed(state.iterations() * 42);
}
BENCHMARK(holidayNameMonthGrid);

} // namespace
