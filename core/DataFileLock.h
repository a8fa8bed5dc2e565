#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kvx {

// The name this computer goes by, as other computers' users are told it.
std::string thisComputerName();

// A small file beside the data file, "<data file>.lock-<computer>-<pid>",
// saying which computer and process uses the data file: written at start,
// removed at exit. A data folder that more than one computer reaches (a
// network share, a synced folder) then tells each who else uses it.
class DataFileLock {
public:
    struct Holder {
        std::string computer;
        pid_t pid = 0;
    };

    DataFileLock() = default;
    ~DataFileLock() { release(); }
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

    // Writes this process's lock beside `dataPath` (best effort: a folder
    // that cannot take it takes none) and returns the other processes that
    // hold one. Locks of this computer's ended processes are removed; another
    // computer's processes cannot be asked, and count as running.
    std::vector<Holder> take(const std::string& dataPath);
    // Removes this process's lock.
    void release();

private:
    std::string m_path;
};

// The lock every copy of the program takes on "<data file>.lock" for one save:
// from its look at the file on disk, through the merge, to the rename of the
// new file. It is an advisory lock of the file system (fcntl), which local
// disks, NFS and SMB shares honour between computers, and which the system
// releases when its holder dies. The holder writes its computer's name in
// the lock file, so that a copy that waited in vain can say who holds it.
class SaveLock {
public:
    enum class State {
        Held,
        // Another writer held it for the whole wait; holder() names it.
        Busy,
        // No lock file can be made there (a folder that cannot be written,
        // another user's link): no other copy can lock there either, and the
        // save goes on and fails or succeeds by itself.
        Unavailable,
    };

    // A save's lock, or a reader's: a reader shares it with other readers,
    // makes no lock file and writes nothing in it; without a lock file no
    // save is under way.
    enum class Mode { Save, Read };

    // Waits at most `bound` for the lock of the data file at `dataPath` (or
    // of the file behind the user's own link there).
    SaveLock(const std::string& dataPath, std::chrono::milliseconds bound, Mode mode = Mode::Save);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    State state() const { return m_state; }
    // The computer named in the lock file when it was Busy ("" when unknown).
    const std::string& holder() const { return m_holder; }

    static std::string lockPathFor(const std::string& dataFile) { return dataFile + ".lock"; }

private:
    int m_fd = -1;
    State m_state = State::Unavailable;
    std::string m_holder;
};

} // namespace kvx
