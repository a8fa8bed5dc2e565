#include "core/RescueFile.h"

#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "core/Settings.h"
#include "core/WholeFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace fs = std::filesystem;

namespace {

std::string dataFileNameOf(const std::string& dataPath)
{
    const std::string name = fs::path(dataPath).filename().string();
    return name.empty() ? std::string(kDataFileName) : name;
}

long long nanosecondsOf(const timespec& time)
{
    return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
}

// "<prefix>YYYYMMDD-HHMMSS", not a save's temporary file or a kept copy.
bool isRescueName(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    return name.size() == 15 && name.find_first_not_of("0123456789-") == std::string_view::npos;
}

// A current data file, whole; nothing is converted or written.
bool readRescueTables(const std::string& path, SharedTables& tables)
{
    std::string bytes;
    return readWholeFile(path, bytes, DataFile::kMaxFileBytes) == ReadStatus::Read
        && decodeDataFile(bytes, tables, AlarmRecord{}) == DecodeResult::Current;
}

} // namespace

std::string rescueFileName(const std::string& dataPath, OleDate now)
{
    const auto ymd = now.ymd();
    const int seconds = now.secondsOfDay();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), seconds / 3600,
        seconds / 60 % 60, seconds % 60);
    return dataFileNameOf(dataPath) + ".rescue-" + stamp;
}

std::string rescueStateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state != nullptr && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/state";
    }
    return base + "/Kalvendorix/";
}

std::string writeRescueFile(const SharedTables& tables, const std::string& dataPath, OleDate now)
{
    const std::string name = rescueFileName(dataPath, now);
    std::string beside = directoryOf(dataPath) + name;
    if (DataFile().save(tables, beside, now)) {
        return beside;
    }
    const std::string folder = rescueStateFolder();
    createPrivateFolders(folder);
    std::string state = folder + name;
    if (DataFile().save(tables, state, now)) {
        return state;
    }
    return {};
}

std::optional<RescueFile> newerRescueFile(const std::string& dataPath)
{
    const std::string prefix = dataFileNameOf(dataPath) + ".rescue-";
    struct stat dataStatus { };
    const long long dataWritten
        = ::stat(dataPath.c_str(), &dataStatus) == 0 ? nanosecondsOf(dataStatus.st_mtim) : 0;
    std::optional<RescueFile> newest;
    long long newestWritten = dataWritten;
    for (const std::string& folder : {directoryOf(dataPath), rescueStateFolder()}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
            struct stat status { };
            const std::string path = entry.path().string();
            if (!isRescueName(entry.path().filename().string(), prefix) || ::lstat(path.c_str(), &status) != 0
                || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()
                || nanosecondsOf(status.st_mtim) <= newestWritten) {
                continue;
            }
            RescueFile found{path, status.st_mtime, {}};
            if (readRescueTables(path, found.tables)) {
                newest = std::move(found);
                newestWritten = nanosecondsOf(status.st_mtim);
            }
        }
    }
    return newest;
}

} // namespace kvx
