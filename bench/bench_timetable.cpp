#include "core/Records.h"
#include "schedule/DisplayOrder.h"
#include "schedule/Timetable.h"
#include "ui/TimetableView.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>
#include <random>

namespace kvx {
namespace {

const OleDate kShownDay = OleDate::fromCivil(2024, 6, 3);

// A full day: daily alarms at any minute, lasting up to three hours, so that
// nearly every alarm gets a bar on the late scale.
AlarmTable busyDay(int count)
{
    std::mt19937 random(static_cast<unsigned>(count));
    std::uniform_int_distribution<int> minute(0, 1439), length(0, 180);
    AlarmTable table;
    for (int i = 0; i < count; ++i) {
        AlarmRecord record;
        record.kind = kKindDaily;
        record.startTime = OleDate::fromDay(kShownDay.day() - std::chrono::days{30}, minute(random) * 60);
        record.endTime = record.startTime.plusSeconds(length(random) * 60LL);
        table.add(record);
    }
    return table;
}

struct Day {
    explicit Day(int count)
        : table(busyDay(count))
    {
        rebuildDisplayOrder(table, order);
    }
    AlarmTable table;
    DisplayOrder order;
};

void BM_TimetableLayout(benchmark::State& state)
{
    const Day day(static_cast<int>(state.range(0)));
    std::size_t bars = 0;
    for ([[maybe_unused]] auto _ : state) {
        const TimetableLayout layout = layoutTimetable(day.table, day.order, kShownDay, 20);
        bars = layout.bars.size();
        benchmark::DoNotOptimize(layout.bars.data());
    }
    state.counters["bars"] = static_cast<double>(bars);
}
BENCHMARK(BM_TimetableLayout)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_timetable";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QApplication app(argc, argv);
    return app;
}

// The band with every bar and the frame, painted into an image.
void BM_TimetablePaint(benchmark::State& state)
{
    application();
    const Day day(static_cast<int>(state.range(0)));
    TimetableView view("HScroll3");
    TimetableLayout layout = layoutTimetable(day.table, day.order, kShownDay, 20);
    const int framed = static_cast<int>(layout.bars.size()) / 2;
    view.showLayout(std::move(layout), framed);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for ([[maybe_unused]] auto _ : state) {
        view.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["bars"] = static_cast<double>(view.shownLayout().bars.size());
}
BENCHMARK(BM_TimetablePaint)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kvx
