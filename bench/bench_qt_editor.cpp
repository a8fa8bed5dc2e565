// The program's two windows with many alarms: the first open of the editor and
// of the calendar window (the window is built and filled), a reopen of the
// hidden window, and the editor's list fill alone.
#include "app/Application.h"
#include "bench/BenchTables.h"
#include "calendar/CalendarWindow.h"
#include "core/DataFile.h"
#include "core/Settings.h"
#include "doubles/FakeDesktop.h"
#include "editor/EditorWindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fstream>
#include <memory>
#include <string>

namespace kvx {
namespace {

// The program over the platform doubles with `count` alarms in its data file,
// resident and with its editor not yet opened.
class Program {
public:
    explicit Program(int count)
        : m_desktop(QDateTime(QDate(2024, 6, 12), QTime(8, 15)))
    {
        const std::string folder = m_home.path().toStdString() + "/";
        m_desktop.volumes.addDevice(VolumeDevices::Kind::Midi, QStringLiteral("MIDI"), 0x20002000U);
        m_desktop.volumes.addDevice(VolumeDevices::Kind::Wave, QStringLiteral("内蔵オーディオ"), 0x40004000U);
        const Settings settings(folder);
        settings.writeSettingToBoth("MIDINM", "MIDI");
        settings.writeSettingToBoth("WAVENM", "内蔵オーディオ");
        SharedTables tables;
        tables.alarms = randomTable(count);
        if (!DataFile().save(tables, settings.defaultDataPath(), OleDate())) {
            throw std::runtime_error("the data file cannot be written");
        }
        m_app = std::make_unique<Application>(folder, m_desktop.services, m_desktop.dialogs);
        if (m_app->start() != ResidentWindow::Start::Running) {
            throw std::runtime_error("the program did not start");
        }
    }
    EditorWindow& open()
    {
        EditorWindow& editor = m_app->openEditor();
        QApplication::processEvents();
        return editor;
    }
    AlarmStore& store() { return m_app->store(); }
    CalendarWindow& openCalendar()
    {
        CalendarWindow& calendar = m_app->openCalendar();
        QApplication::processEvents();
        return calendar;
    }

private:
    QTemporaryDir m_home;
    FakeDesktop m_desktop;
    std::unique_ptr<Application> m_app;
};

void BM_EditorFirstOpen(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        benchmark::DoNotOptimize(&program->open());
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorFirstOpen)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EditorReopen(benchmark::State& state)
{
    Program program(static_cast<int>(state.range(0)));
    EditorWindow& editor = program.open();
    for (auto _ : state) {
        editor.hide();
        benchmark::DoNotOptimize(&program.open());
    }
}
BENCHMARK(BM_EditorReopen)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

// A change of the tables (the rota set again) and the open editor's list refilled.
void BM_EditorListFill(benchmark::State& state)
{
    Program program(static_cast<int>(state.range(0)));
    program.open();
    const RoutineList rota = program.store().tables().routines;
    for (auto _ : state) {
        program.store().setRoutines(rota);
    }
}
BENCHMARK(BM_EditorListFill)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_CalendarFirstOpen(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        benchmark::DoNotOptimize(&program->openCalendar());
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CalendarFirstOpen)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CalendarReopen(benchmark::State& state)
{
    Program program(static_cast<int>(state.range(0)));
    CalendarWindow& calendar = program.openCalendar();
    for (auto _ : state) {
        calendar.hide();
        benchmark::DoNotOptimize(&program.openCalendar());
    }
}
BENCHMARK(BM_CalendarReopen)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

// Resident memory of this process (kB), as the kernel counts it.
double residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stod(line.substr(6));
        }
    }
    return 0;
}

// The whole program over the doubles, resident, then with both windows opened once.
void BM_MemoryWithBothWindows(benchmark::State& state)
{
    for (auto _ : state) {
        Program program(static_cast<int>(state.range(0)));
        QApplication::processEvents();
        state.counters["resident_kB"] = residentKb();
        program.open();
        state.counters["editor_kB"] = residentKb();
        program.openCalendar();
        state.counters["both_kB"] = residentKb();
    }
}
BENCHMARK(BM_MemoryWithBothWindows)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace kvx
