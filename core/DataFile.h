#pragma once

#include "core/FileProblem.h"
#include "core/FileSink.h"
#include "core/OleDate.h"
#include "core/PosixFileSink.h"
#include "core/Records.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace kvx {

struct LoadContext {
    std::int32_t legacyMidiVolume = 0; // volumes given to records converted from an older file
    std::int32_t legacyWaveVolume = 0;
    OleDate now; // names the kept copy of an unreadable file and a second backup
};

// Loads and saves the data file that holds the alarms, the periodic schedules
// and the memos. A save never destroys the previous file: the new one is
// written beside it and takes its place only once it is complete on disk.
// A file that could not be read, that is not whole, or that a newer version of
// the program wrote, is kept as "<data file>.unreadable-YYYYMMDD-HHMM" before
// the next save to its path replaces it; the original of a file of an older
// version is kept as "<data file>.bak". A save that cannot make that copy
// first writes nothing. New files are readable by their owner only; a
// replaced file keeps its mode and group.
class DataFile {
public:
    // Files larger than this are not data files this program wrote.
    static constexpr std::size_t kMaxFileBytes = 256u << 20;

    DataFile()
        : m_sink(m_fileSystem)
    {
    }
    explicit DataFile(FileSink& sink)
        : m_sink(sink)
    {
    }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Loads every table of `tables` (alarms, routines, memos; not defaults or
    // window settings) from `path`. A missing file loads empty tables and is not
    // created. A file of an older version is kept as "<data file>.bak" (or,
    // when that exists, "<data file>.bak-YYYYMMDD-HHMMSS") and replaced by its
    // conversion; when the copy cannot be made, the file stays as it is, the
    // load still succeeds and lastProblem() is CopyPending. On failure the
    // tables are empty and lastProblem() says why.
    bool load(SharedTables& tables, const std::string& path, const LoadContext& context);
    // Writes the tables; false on any failure, leaving the previous file
    // untouched, and lastProblem() says why.
    bool save(const SharedTables& tables, const std::string& path, OleDate now);
    // The same in one procedure, as the callers think of it.
    bool loadOrSaveDataFile(
        SharedTables& tables, const std::string& path, bool write, const LoadContext& context);

    // Where saves write: the file system, or a test's sink.
    FileSink& sink() { return m_sink; }
    // What went wrong in the last load or save; Kind::None after a success.
    const FileProblem& lastProblem() const { return m_problem; }

    // The name the copy of an unreadable file at `path` gets at `now`.
    static std::string unreadableCopyPath(const std::string& path, OleDate now);
    // The name the original of a file converted at `now` is kept under.
    static std::string backupPath(const std::string& path, OleDate now);

    // The file at `path` as another writer left it, when it is no longer the
    // file this object last loaded from or saved to that path (another
    // computer saved it); nothing when it is the same, gone, or unreadable.
    // A new time alone, the bytes the same, is no change. The size and time
    // alone decide that nothing changed, unless `readAlways`: two saves of one
    // size within the file system's time granularity look alike, so a save
    // holding the lock reads the bytes whatever they say.
    std::optional<std::string> changedOnDisk(const std::string& path, bool readAlways = false);
    // Whether the file at `path` may have changed since: its size or time
    // differ. No more than a stat: the once-a-minute look asks it first.
    bool looksChanged(const std::string& path) const;
    // A save that the caller refused before writing (a lock held elsewhere,
    // a merge that does not fit): lastProblem() says why. Returns false.
    bool refuseSave(const std::string& path, std::string reason)
    {
        return failed(FileProblem::Kind::SaveFailed, path, std::move(reason));
    }
    // Keeps another writer's `bytes`, which a save to `path` is about to
    // replace, as "<data file>.conflict-<computer>-YYYYMMDD-HHMMSS"; false,
    // lastProblem() saying why, when the copy cannot be made.
    bool keepConflictCopy(
        const std::string& path, std::string_view bytes, const std::string& computer, OleDate now);
    // Takes `bytes`, read from `path`, as the file this object knows there:
    // another writer's file merged or kept aside is no change any more.
    void accept(const std::string& path, std::string_view bytes) { remember(path, bytes, true); }
    static std::string conflictCopyPath(const std::string& path, const std::string& computer, OleDate now);

private:
    // What the data file was at the last load or save.
    struct Identity {
        std::string path;
        bool exists = false;
        std::uint64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::uint64_t hash = 0;
    };
    void remember(const std::string& path, std::string_view bytes, bool exists);
    // The status of the regular file at `path`, when it is the path known.
    std::optional<struct stat> knownFileStatus(const std::string& path) const;
    bool sameSizeAndTime(const struct stat& status) const;

    // A copy of the file at a path that must exist before a save replaces it.
    struct PendingCopy {
        bool unreadable = true; // else the original of a converted file
        std::string original; // the bytes of that original
    };

    bool convert(SharedTables& tables, const std::string& path, std::string original, OleDate now);
    bool keepPendingCopy(const std::string& path, OleDate now);
    bool keepOriginal(const std::string& path, std::string_view original, OleDate now);
    bool keepUnreadableCopy(const std::string& path, OleDate now);
    bool failed(FileProblem::Kind kind, const std::string& path, std::string reason);

    PosixFileSink m_fileSystem;
    FileSink& m_sink;
    std::map<std::string, PendingCopy> m_pendingCopies;
    FileProblem m_problem;
    Identity m_known;
};

} // namespace kvx
