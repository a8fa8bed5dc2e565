#include "core/DataFile.h"

#include "core/AlarmRecordCodec.h"
#include "core/DataFileCodec.h"
#include "core/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kvx {

namespace fs = std::filesystem;

namespace {

std::string stamp(OleDate now, bool withSeconds)
{
    const std::chrono::year_month_day ymd = now.ymd();
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u-%02d%02d", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), now.hour(), now.minute());
    std::string result = text;
    if (withSeconds) {
        std::snprintf(text, sizeof text, "%02d", now.second());
        result += text;
    }
    return result;
}

bool pathTaken(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

// `base`, or the first of "base-1", "base-2", ... that is free.
std::optional<std::string> freeName(const std::string& base)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = attempt == 0 ? base : base + "-" + std::to_string(attempt);
        if (!pathTaken(name)) {
            return name;
        }
    }
    return std::nullopt;
}

std::string damageReason(DecodeResult result, std::string_view bytes)
{
    switch (result) {
    case DecodeResult::NewerVersion:
        return "written by a newer version: " + versionTextOf(bytes);
    case DecodeResult::NotADataFile:
        return "not a data file of this program";
    default:
        return "damaged: its counts do not fit its size";
    }
}

FileProblem::Kind problemKindOf(DecodeResult result)
{
    switch (result) {
    case DecodeResult::NewerVersion:
        return FileProblem::Kind::NewerVersion;
    case DecodeResult::NotADataFile:
        return FileProblem::Kind::NotADataFile;
    default:
        return FileProblem::Kind::Unreadable;
    }
}

// Enough to tell two versions of one file apart within one run.
std::uint64_t contentHash(std::string_view bytes)
{
    return std::hash<std::string_view>{}(bytes);
}

std::int64_t modifiedNs(const struct stat& status)
{
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

} // namespace

bool DataFile::load(SharedTables& tables, const std::string& path, const LoadContext& context)
{
    m_problem = {};
    m_pendingCopies.erase(path);
    tables.clearData();
    std::string bytes;
    std::string reason;
    const ReadStatus status = readWholeFile(path, bytes, kMaxFileBytes, &reason);
    remember(path, bytes, status == ReadStatus::Read);
    if (status == ReadStatus::Missing) {
        return true;
    }
    if (status == ReadStatus::Failed) {
        m_pendingCopies[path] = {};
        return failed(FileProblem::Kind::Unreadable, path, reason);
    }
    const AlarmRecord legacyDefaults
        = convertedRecordDefaults(context.legacyMidiVolume, context.legacyWaveVolume);
    const DecodeResult result = decodeDataFile(bytes, tables, legacyDefaults);
    switch (result) {
    case DecodeResult::Current:
        return true;
    case DecodeResult::Converted: {
        const bool converted = convert(tables, path, std::move(bytes), context.now);
        // The conversion may have replaced the file.
        std::string now;
        remember(path, now, readWholeFile(path, now, kMaxFileBytes) == ReadStatus::Read);
        return converted;
    }
    default:
        m_pendingCopies[path] = {};
        return failed(problemKindOf(result), path, damageReason(result, bytes));
    }
}

bool DataFile::save(const SharedTables& tables, const std::string& path, OleDate now)
{
    m_problem = {};
    if (!keepPendingCopy(path, now)) {
        return false;
    }
    std::string reason;
    const std::string bytes = encodeDataFile(tables);
    if (!replaceFileSafely(m_sink, path, bytes, &reason)) {
        return failed(FileProblem::Kind::SaveFailed, path, reason);
    }
    remember(path, bytes, true);
    return true;
}

void DataFile::remember(const std::string& path, std::string_view bytes, bool exists)
{
    m_known = {path, exists, 0, 0, 0};
    struct stat status { };
    if (exists && ::stat(path.c_str(), &status) == 0) {
        m_known.size = static_cast<std::uint64_t>(status.st_size);
        m_known.modifiedNs = modifiedNs(status);
        m_known.hash = contentHash(bytes);
    }
}

std::optional<struct stat> DataFile::knownFileStatus(const std::string& path) const
{
    struct stat status { };
    if (path != m_known.path || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return status;
}

bool DataFile::sameSizeAndTime(const struct stat& status) const
{
    return m_known.exists && static_cast<std::uint64_t>(status.st_size) == m_known.size
        && modifiedNs(status) == m_known.modifiedNs;
}

bool DataFile::looksChanged(const std::string& path) const
{
    const std::optional<struct stat> status = knownFileStatus(path);
    return status && !sameSizeAndTime(*status);
}

std::optional<std::string> DataFile::changedOnDisk(const std::string& path, bool readAlways)
{
    const std::optional<struct stat> status = knownFileStatus(path);
    if (!status || (!readAlways && sameSizeAndTime(*status))) {
        return std::nullopt;
    }
    const std::int64_t modified = modifiedNs(*status);
    std::string bytes;
    if (readWholeFile(path, bytes, kMaxFileBytes) != ReadStatus::Read) {
        return std::nullopt;
    }
    if (m_known.exists && contentHash(bytes) == m_known.hash) {
        m_known.size = bytes.size();
        m_known.modifiedNs = modified;
        return std::nullopt;
    }
    return bytes;
}

std::string DataFile::conflictCopyPath(const std::string& path, const std::string& computer, OleDate now)
{
    return path + ".conflict-" + fileNamePart(computer.empty() ? "unknown" : computer) + "-"
        + stamp(now, true);
}

bool DataFile::keepConflictCopy(
    const std::string& path, std::string_view bytes, const std::string& computer, OleDate now)
{
    std::string reason;
    const std::optional<std::string> file = fileBehind(path, &reason);
    if (!file) {
        return failed(FileProblem::Kind::CopyFailed, path, reason);
    }
    const std::optional<std::string> copy = freeName(conflictCopyPath(*file, computer, now));
    if (!copy) {
        return failed(FileProblem::Kind::CopyFailed, path, systemReason(EEXIST));
    }
    if (!replaceFileSafely(m_sink, *copy, bytes, &reason)) {
        return failed(FileProblem::Kind::CopyFailed, *copy, reason);
    }
    return true;
}

bool DataFile::loadOrSaveDataFile(
    SharedTables& tables, const std::string& path, bool write, const LoadContext& context)
{
    return write ? save(tables, path, context.now) : load(tables, path, context);
}

std::string DataFile::unreadableCopyPath(const std::string& path, OleDate now)
{
    return path + ".unreadable-" + stamp(now, false);
}

std::string DataFile::backupPath(const std::string& path, OleDate now)
{
    const std::string first = path + ".bak";
    return pathTaken(first) ? path + ".bak-" + stamp(now, true) : first;
}

bool DataFile::failed(FileProblem::Kind kind, const std::string& path, std::string reason)
{
    m_problem = {kind, path, std::move(reason)};
    return false;
}

// The user's original bytes stay in "<data file>.bak", or beside an earlier
// backup, never over it; the load then goes on with the converted file, exactly
// as the next load will read it. Without the backup the older file stays as
// it is, and so does the need for its copy: the first save makes it or writes
// nothing.
bool DataFile::convert(SharedTables& tables, const std::string& path, std::string original, OleDate now)
{
    m_pendingCopies[path] = {false, std::move(original)};
    const std::string converted = encodeDataFile(tables);
    decodeDataFile(converted, tables, AlarmRecord{});
    if (!keepPendingCopy(path, now)) {
        m_problem.kind = FileProblem::Kind::CopyPending;
        return true;
    }
    // When the converted file cannot take the older one's place, the next save does.
    replaceFileSafely(m_sink, path, converted);
    return true;
}

bool DataFile::keepPendingCopy(const std::string& path, OleDate now)
{
    const auto pending = m_pendingCopies.find(path);
    if (pending == m_pendingCopies.end()) {
        return true;
    }
    const bool kept = pending->second.unreadable ? keepUnreadableCopy(path, now)
                                                 : keepOriginal(path, pending->second.original, now);
    if (kept) {
        m_pendingCopies.erase(pending);
    }
    return kept;
}

bool DataFile::keepOriginal(const std::string& path, std::string_view original, OleDate now)
{
    const std::optional<std::string> backup = freeName(backupPath(path, now));
    if (!backup) {
        return failed(FileProblem::Kind::CopyFailed, path + ".bak", systemReason(EEXIST));
    }
    std::string reason;
    if (!replaceFileSafely(m_sink, *backup, original, &reason)) {
        return failed(FileProblem::Kind::CopyFailed, *backup, reason);
    }
    return true;
}

// A private copy of the file keeps it when the save renames the new file over
// it; where it cannot be read, a second name for it does. A name already taken
// gets a number, so that no earlier copy is lost.
bool DataFile::keepUnreadableCopy(const std::string& path, OleDate now)
{
    std::error_code error;
    if (!fs::exists(path, error)) {
        return !error || failed(FileProblem::Kind::CopyFailed, path, error.message());
    }
    // Beside the file a symbolic link points to, where the save will replace it.
    std::string reason;
    const std::optional<std::string> file = fileBehind(path, &reason);
    if (!file) {
        return failed(FileProblem::Kind::SaveFailed, path, reason);
    }
    // A folder, a pipe or a device holds nothing to keep, and no save replaces it.
    struct stat status { };
    if (::stat(file->c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return true;
    }
    const std::optional<std::string> copy = freeName(unreadableCopyPath(*file, now));
    if (!copy) {
        return failed(FileProblem::Kind::CopyFailed, path, systemReason(EEXIST));
    }
    if (!copyFilePrivately(*file, *copy, &reason)) {
        // A regular file that cannot be read is linked: its permissions
        // protect it as they did before.
        if (::lstat(file->c_str(), &status) != 0 || !S_ISREG(status.st_mode)
            || ::link(file->c_str(), copy->c_str()) != 0) {
            return failed(FileProblem::Kind::CopyFailed, *copy, reason);
        }
    }
    return true;
}

} // namespace kvx
