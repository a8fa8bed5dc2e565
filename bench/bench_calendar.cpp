#include "calendar/CalendarWindow.h"
#include "calendar/MonthGridView.h"
#include "platform/DatagramSender.h"
#include "platform/FontSubstitutions.h"
#include "platform/TrayIcon.h"
#include "schedule/DayLister.h"
#include "store/AlarmStore.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <random>

namespace kvx {
namespace {

using namespace std::chrono;

// The widgets need an application; the benchmarks run without a display.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "bench_calendar";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication application(argc, argv);
        installFontSubstitutions();
    }
}

// Once-only items over two years and weekly or daily routines in the waking day.
AlarmTable randomTable(int count)
{
    std::mt19937 random(static_cast<unsigned>(count));
    std::discrete_distribution<int> kind({0, 8, 20, 10, 40, 5, 5, 3, 3, 2, 2, 2});
    std::uniform_int_distribution<int> day(-365, 365), hour(5, 23), quarter(0, 3), weekday(0, 6);
    const char* messages[]
        = {"会議", "ゴミ出し", "薬を飲む", "歯医者の予約 15:30 駅前クリニック", "Stand-up"};
    AlarmTable table;
    for (int i = 0; i < count; ++i) {
        AlarmRecord record;
        record.kind = static_cast<std::int16_t>(kind(random));
        record.weekdayMask = static_cast<std::int16_t>(1 << weekday(random));
        record.startTime = OleDate::fromDay(sys_days{year{2026} / February / 15} + days{day(random)},
            hour(random) * 3600 + quarter(random) * 900);
        record.endTime = record.startTime.plusSeconds(3600);
        record.message = messages[i % 5];
        table.add(record);
    }
    return table;
}

RoutineList threeShifts()
{
    RoutineList rota;
    rota.routineCount = 3;
    rota.routineStart = OleDate::fromCivil(2026, 1, 1);
    rota.routineNames = {"早番", "遅番", "休み", ""};
    return rota;
}

// What a month change redraws: the order, the cells' lines and the painted grid.
void BM_MonthRedraw(benchmark::State& state)
{
    ensureApplication();
    const AlarmTable table = randomTable(static_cast<int>(state.range(0)));
    const RoutineList rota = threeShifts();
    const OleDate now = OleDate::fromCivil(2026, 2, 10, 12, 0);
    MonthGridView view;
    QImage image(view.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        DisplayOrder order;
        rebuildDisplayOrder(table, order);
        const DayLister lister(table, order);
        view.setCells(composeMonth(monthLayout(2026, 2, false), table, lister, rota, now));
        view.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_MonthRedraw)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

struct Program {
    explicit Program(int alarms)
        : settings(dir.path().toStdString() + "/")
        , store(settings)
    {
        settings.setDataPath(settings.defaultDataPath());
        store.load({});
        SharedTables data;
        data.alarms = randomTable(alarms);
        data.routines = threeShifts();
        store.replaceData(std::move(data));
    }
    CalendarContext context() { return {store, settings, view, clock, prompter, datagrams, sounding}; }

    QTemporaryDir dir;
    SystemClock clock;
    Settings settings;
    AlarmStore store;
    ViewState view;
    class : public Prompter {
    public:
        void message(const QString& /*text*/, QWidget* /*parent*/) override { }
        bool question(const QString& /*text*/, QWidget* /*parent*/) override { return true; }
        void notice(const QString& /*text*/) override { }
    } prompter;
    class : public SoundingState {
    public:
        bool alarmSounding() const override { return false; }
    } sounding;
    UdpDatagramSender datagrams;
};

// The window built, filled and shown once.
void BM_CalendarFirstOpen(benchmark::State& state)
{
    ensureApplication();
    Program program(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CalendarWindow window(program.context());
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_CalendarFirstOpen)->Arg(1000)->Unit(benchmark::kMillisecond);

// One press of the month-forward button, painting included.
void BM_MonthNavigation(benchmark::State& state)
{
    ensureApplication();
    Program program(static_cast<int>(state.range(0)));
    CalendarWindow window(program.context());
    window.show();
    QApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        window.stepMonth(step++ % 2 == 0 ? MonthStep::MonthForward : MonthStep::MonthBack);
        window.repaint();
    }
}
BENCHMARK(BM_MonthNavigation)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kvx
