#include "core/DataFile.h"

#include "core/AlarmRecordCodec.h"
#include "core/DataFileCodec.h"
#include "core/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kvx {

namespace fs = std::filesystem;

bool DataFile::load(SharedTables& tables, const std::string& path, const LoadContext& context)
{
    tables.clearData();
    std::string bytes;
    const ReadStatus status = readWholeFile(path, bytes, kMaxFileBytes);
    if (status == ReadStatus::Missing) {
        m_unreadablePaths.erase(path);
        return true;
    }
    const AlarmRecord legacyDefaults
        = convertedRecordDefaults(context.legacyMidiVolume, context.legacyWaveVolume);
    DecodeResult result = DecodeResult::Damaged;
    if (status == ReadStatus::Read) {
        result = decodeDataFile(bytes, tables, legacyDefaults);
    }
    const bool loaded = result == DecodeResult::Current
        || (result == DecodeResult::Converted && convert(tables, path, bytes));
    if (loaded) {
        m_unreadablePaths.erase(path);
    } else {
        m_unreadablePaths.insert(path);
    }
    return loaded;
}

bool DataFile::save(const SharedTables& tables, const std::string& path, OleDate now)
{
    if (m_unreadablePaths.contains(path) && !keepUnreadableCopy(path, now)) {
        return false;
    }
    return replaceFileSafely(m_sink, path, encodeDataFile(tables));
}

bool DataFile::loadOrSaveDataFile(
    SharedTables& tables, const std::string& path, bool write, const LoadContext& context)
{
    return write ? save(tables, path, context.now) : load(tables, path, context);
}

std::string DataFile::unreadableCopyPath(const std::string& path, OleDate now)
{
    const std::chrono::year_month_day ymd = now.ymd();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02d%02d", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), now.hour(), now.minute());
    return path + ".unreadable-" + stamp;
}

// The user's original bytes stay in "<data file>.bak"; the load then goes on
// with the converted file, exactly as the next load will read it.
bool DataFile::convert(SharedTables& tables, const std::string& path, std::string_view original)
{
    const std::string converted = encodeDataFile(tables);
    return replaceFileSafely(m_sink, path + ".bak", original) && replaceFileSafely(m_sink, path, converted)
        && decodeDataFile(converted, tables, AlarmRecord{}) == DecodeResult::Current;
}

// A second name for the file keeps it when the save renames the new file over
// it; where links are not possible it is copied. A name already taken gets a
// number, so that no earlier copy is lost.
bool DataFile::keepUnreadableCopy(const std::string& path, OleDate now)
{
    std::error_code error;
    if (!fs::exists(path, error)) {
        m_unreadablePaths.erase(path);
        return !error;
    }
    // Beside the file a symbolic link points to, where the save will replace it.
    const std::optional<std::string> file = fileBehind(path);
    if (!file) {
        return false;
    }
    const std::string base = unreadableCopyPath(*file, now);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string copy = attempt == 0 ? base : base + "-" + std::to_string(attempt);
        if (fs::exists(copy, error)) {
            continue;
        }
        fs::create_hard_link(*file, copy, error);
        if (error) {
            error.clear();
            fs::copy_file(*file, copy, error);
        }
        if (!error) {
            m_unreadablePaths.erase(path);
            return true;
        }
        fs::remove(copy, error);
        return false;
    }
    return false;
}

} // namespace kvx
