// Load and save of the largest data file the alarm table allows: 32767 alarms
// with Japanese messages, and a few thousand routine names and memos.
#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "core/DataFileLock.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

kvx::SharedTables largestTables()
{
    kvx::SharedTables tables;
    for (int i = 0; tables.alarms.alarmCount < kvx::AlarmTable::kMaxAlarms; ++i) {
        kvx::AlarmRecord record;
        record.startTime = kvx::OleDate(45351.375 + i);
        record.endTime = record.startTime;
        record.kind = static_cast<std::int16_t>(i % 12);
        record.message = "第" + std::to_string(i) + "回　定例会議（会議室Ａ）\r\n資料を持参すること";
        record.soundFile = "/home/user/Music/alarm" + std::to_string(i % 10) + ".wav";
        record.fontName = kvx::kDefaultFontName;
        record.fontSize = 12;
        record.backColor = kvx::kButtonFaceColor;
        tables.alarms.add(record);
    }
    tables.routines.routineCount = 3000;
    tables.routines.routineNames.clear();
    for (int i = 0; i <= tables.routines.routineCount; ++i) {
        tables.routines.routineNames.push_back(i % 3 == 0 ? "早番" : i % 3 == 1 ? "遅番" : "休み");
    }
    for (auto& list : tables.memos.lists) {
        list.clear();
        for (int i = 0; i < 3000; ++i) {
            list.push_back("牛乳と卵を買う　メモ" + std::to_string(i));
        }
        list.emplace_back();
    }
    return tables;
}

const kvx::SharedTables& tables()
{
    static const kvx::SharedTables kTables = largestTables();
    return kTables;
}

class TempDataPath {
public:
    TempDataPath()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvx-bench-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    ~TempDataPath() { std::filesystem::remove_all(m_dir); }
    std::string path() const { return m_dir + "/Kalvendorix.dat"; }

private:
    std::string m_dir;
};

void BM_EncodeLargestFile(benchmark::State& state)
{
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = kvx::encodeDataFile(tables());
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["fileBytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodeLargestFile)->Unit(benchmark::kMillisecond);

void BM_DecodeLargestFile(benchmark::State& state)
{
    const std::string bytes = kvx::encodeDataFile(tables());
    for (auto _ : state) {
        kvx::SharedTables loaded;
        benchmark::DoNotOptimize(kvx::decodeDataFile(bytes, loaded, kvx::AlarmRecord{}));
    }
}
BENCHMARK(BM_DecodeLargestFile)->Unit(benchmark::kMillisecond);

void BM_SaveLargestFile(benchmark::State& state)
{
    TempDataPath dir;
    kvx::DataFile file;
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.save(tables(), dir.path(), kvx::OleDate()));
    }
}
BENCHMARK(BM_SaveLargestFile)->Unit(benchmark::kMillisecond);

void BM_LoadLargestFile(benchmark::State& state)
{
    TempDataPath dir;
    kvx::DataFile file;
    file.save(tables(), dir.path(), kvx::OleDate());
    for (auto _ : state) {
        kvx::SharedTables loaded;
        benchmark::DoNotOptimize(file.load(loaded, dir.path(), kvx::LoadContext{}));
    }
}
BENCHMARK(BM_LoadLargestFile)->Unit(benchmark::kMillisecond);

// What the program does at start-up and at "ＯＫ": a full load, then a full save.
void BM_LoadThenSaveLargestFile(benchmark::State& state)
{
    TempDataPath dir;
    kvx::DataFile file;
    file.save(tables(), dir.path(), kvx::OleDate());
    for (auto _ : state) {
        kvx::SharedTables loaded;
        file.load(loaded, dir.path(), kvx::LoadContext{});
        benchmark::DoNotOptimize(file.save(loaded, dir.path(), kvx::OleDate()));
    }
}
BENCHMARK(BM_LoadThenSaveLargestFile)->Unit(benchmark::kMillisecond);

// One save of a shared data file of `range(0)` alarms: alone, as a save was
// before (the look at the file's size and time only), and as every save is now
// (range(1) = 1): the lock taken, the file read again and compared, then written.
void BM_SaveSharedFile(benchmark::State& state)
{
    kvx::SharedTables some;
    for (int i = 0; i < state.range(0); ++i) {
        some.alarms.add(tables().alarms.alarms[static_cast<std::size_t>(i)]);
    }
    TempDataPath dir;
    kvx::DataFile file;
    file.save(some, dir.path(), kvx::OleDate());
    const bool locked = state.range(1) != 0;
    for (auto _ : state) {
        if (locked) {
            const kvx::SaveLock lock(dir.path(), std::chrono::milliseconds(5000));
            benchmark::DoNotOptimize(file.changedOnDisk(dir.path(), true));
            benchmark::DoNotOptimize(file.save(some, dir.path(), kvx::OleDate()));
        } else {
            benchmark::DoNotOptimize(file.changedOnDisk(dir.path(), false));
            benchmark::DoNotOptimize(file.save(some, dir.path(), kvx::OleDate()));
        }
    }
}
BENCHMARK(BM_SaveSharedFile)
    ->ArgNames({"alarms", "lockAndReread"})
    ->ArgsProduct({{1000, kvx::AlarmTable::kMaxAlarms}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

} // namespace
