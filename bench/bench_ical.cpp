// The iCalendar codec at the table's sizes: every alarm of 1,000 and of the
// largest table (32,767) written out, and a calendar of 10,000 events read.
#include "core/AlarmIds.h"
#include "ical/ICalendar.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

kvx::AlarmTable alarms(int count, std::vector<std::string>& ids)
{
    kvx::AlarmTable table;
    const std::int16_t kinds[] = {kvx::kKindDaily, kvx::kKindWeekly, kvx::kKindMonthly, kvx::kKindOnce,
        kvx::kKindFortnightly, kvx::kKindThirdWeek};
    for (int i = 0; i < count; ++i) {
        kvx::AlarmRecord record;
        record.kind = kinds[i % 6];
        record.weekdayMask = static_cast<std::int16_t>(1 + i % 127);
        record.startTime = kvx::OleDate::fromCivil(2026, 1 + i % 12, 1 + i % 28, i % 24, i % 60);
        record.endTime = record.startTime;
        record.preMode = static_cast<std::int16_t>(i % 3);
        record.preMinutes = 10;
        record.message = "第" + std::to_string(i) + "回　定例会議（会議室Ａ）\r\n資料を持参すること";
        record.soundFile = "/home/user/Music/alarm.wav";
        record.fontName = kvx::kDefaultFontName;
        table.add(record);
        ids.push_back(kvx::newAlarmId());
    }
    return table;
}

void BM_ExportAlarms(benchmark::State& state)
{
    std::vector<std::string> ids;
    const kvx::AlarmTable table = alarms(static_cast<int>(state.range(0)), ids);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const kvx::ICalendarExport out = kvx::exportICalendar(table, ids, {}, "Asia/Tokyo");
        bytes = out.text.size();
        benchmark::DoNotOptimize(out.text.data());
    }
    state.counters["fileBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ExportAlarms)->Arg(1000)->Arg(kvx::AlarmTable::kMaxAlarms)->Unit(benchmark::kMillisecond);

void BM_ImportEvents(benchmark::State& state)
{
    std::vector<std::string> ids;
    const std::string text
        = kvx::exportICalendar(alarms(static_cast<int>(state.range(0)), ids), ids, {}, "Asia/Tokyo").text;
    for (auto _ : state) {
        const kvx::ICalendarImport in = kvx::importICalendar(text, "Asia/Tokyo", kvx::AlarmRecord{});
        benchmark::DoNotOptimize(in.items.data());
    }
}
BENCHMARK(BM_ImportEvents)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
