#pragma once

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

} // namespace kvx
