// Start-up reads and the exit save of a settings file of 10 MB: every key the
// start reads, from a file that a user or another program filled with other
// sections, or with other keys in the program's own section.
#include "core/Records.h"
#include "core/Settings.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t kFileBytes = 10u << 20;

const char* const kProgramKeys
    = "[Kalvendorix]\r\nSTARTFLG=0\r\nSTARTMD=1\r\nPREFLAG=2\r\nMESSAGE=会議!*#資料\r\n"
      "MIDINM=Synth\r\nWAVENM=Speakers\r\nFORMFLAG=3\r\nDATAPATH=\r\n";

// Lines of other keys until the file holds 10 MB; in other sections, or in
// the program's own section before its keys.
std::string tenMegabytes(bool inOwnSection)
{
    std::string bytes = inOwnSection ? "[Kalvendorix]\r\n" : std::string(kProgramKeys);
    for (int i = 0; bytes.size() < kFileBytes; ++i) {
        if (!inOwnSection && i % 50 == 0) {
            bytes += "[Other" + std::to_string(i) + "]\r\n";
        }
        bytes += "KEY" + std::to_string(i) + "=some value of a setting the program does not know\r\n";
    }
    if (inOwnSection) {
        bytes += std::string(kProgramKeys).substr(15);
    }
    return bytes;
}

class SettingsFolder {
public:
    explicit SettingsFolder(bool inOwnSection)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvx-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern + "/";
        std::ofstream(m_path + kvx::kSettingsFileName, std::ios::binary) << tenMegabytes(inOwnSection);
    }
    ~SettingsFolder() { std::filesystem::remove_all(m_path); }
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// What the start reads: the gate's data path and running flag, the resident
// window's keys, then every key of the load.
void startUpReads(benchmark::State& state)
{
    const SettingsFolder folder(state.range(0) != 0);
    for (auto _ : state) {
        kvx::Settings settings(folder.path());
        settings.setDataPath(settings.readDataPath());
        benchmark::DoNotOptimize(settings.readInt("STARTFLG", 0));
        benchmark::DoNotOptimize(settings.readSetting("STARTMD", "0"));
        benchmark::DoNotOptimize(settings.readSetting("MIDINM", ""));
        benchmark::DoNotOptimize(settings.readSetting("WAVENM", ""));
        kvx::AlarmDefaults defaults;
        kvx::WindowSettings window;
        settings.loadAll(defaults, window);
        if (defaults.preMode != 2 || window.formPosition != "3") {
            state.SkipWithError("the program's keys were not found");
        }
    }
}
BENCHMARK(startUpReads)->Arg(0)->Arg(1)->ArgNames({"inOwnSection"})->Unit(benchmark::kMillisecond);

// The exit: every key into the file, written once.
void exitSave(benchmark::State& state)
{
    const SettingsFolder folder(state.range(0) != 0);
    kvx::Settings settings(folder.path());
    kvx::AlarmDefaults defaults;
    defaults.lastSavedIndex = 0;
    kvx::WindowSettings window;
    window.dataPath = settings.defaultDataPath();
    for (auto _ : state) {
        if (!settings.saveSettings(defaults, window)) {
            state.SkipWithError("the save failed");
        }
    }
}
BENCHMARK(exitSave)->Arg(0)->Arg(1)->ArgNames({"inOwnSection"})->Unit(benchmark::kMillisecond);

} // namespace
