#pragma once

#include "core/FileSink.h"
#include "core/Records.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvx {

// A calendar folder: one "<UID>.ics" an alarm, kept in step with the table in
// both directions, so that a sync tool (vdirsyncer) can carry it to a CalDAV
// server and on to phones. Items are known by the UID inside, never by the
// file name. Each direction is a three-way merge over the base: what this
// computer last wrote or read there, kept in its own state folder, never
// shared. An item that no alarm can hold exactly (a yearly event, one with
// excluded days) is never changed or removed.

// What this computer last knew of one file of the folder.
struct FolderEntry {
    std::string file; // its name in the folder
    std::string uid; // "" when it holds no event at all
    std::string inStep; // hash of the record the table and the file last agreed on; "" none
    std::string fileRecord; // hash of the record the file held when last read; "-" none fits
    std::string fileHash; // hash of its bytes
    long long size = 0;
    long long modifiedNs = 0;
    unsigned long long inode = 0;
};

struct FolderBase {
    std::string folder; // the folder these entries are of
    std::vector<FolderEntry> entries;
};

// Where this computer keeps the base of `folder` synced with the data file at
// `dataPath`: one file each under `stateFolder` ($XDG_STATE_HOME/Kalvendorix).
std::string folderBasePath(
    const std::string& stateFolder, const std::string& folder, const std::string& dataPath);
std::string encodeFolderBase(const FolderBase& base);
// Nothing when `bytes` are no base of `folder`.
std::optional<FolderBase> decodeFolderBase(const std::string& bytes, const std::string& folder);

// A file of the folder as found now.
struct FolderItem {
    FolderEntry seen; // inStep as the base had it
    std::optional<AlarmRecord> record; // read now, when it changed since the base
};

struct FolderScan {
    std::string error; // the folder as a whole cannot be used; nothing else is set
    std::vector<FolderItem> items;
    // Files passed over, each with a key (told once) and what to tell.
    std::vector<std::pair<std::string, std::string>> problems;
};

// Looks at every ".ics" file of `folder`: those whose size, time and inode
// match the base are not read again; the others are read (at most
// kMaxItemBytes each, never through a link) and parsed. A missing folder is
// created. Fields an event of another program does not give come from `blank`.
inline constexpr std::size_t kMaxItemBytes = 1u << 20;
FolderScan scanCalendarFolder(
    const std::string& folder, const FolderBase& base, const std::string& zone, const AlarmRecord& blank);

// What one sync does to the table and to the folder.
struct FolderSync {
    std::vector<std::pair<std::string, AlarmRecord>> changes; // the alarm of this identity becomes this
    std::vector<std::pair<std::string, AlarmRecord>> additions; // a new alarm of this identity
    std::vector<std::string> removals; // identities
    struct Write {
        std::string uid;
        AlarmRecord record;
        std::string file; // its name in the folder
        bool existing = false; // the file holds its item already: its foreign parts stay
    };
    std::vector<Write> writes;
    std::vector<std::string> deletions; // file names
    FolderBase base; // the base after it, the files written not yet looked at
    int changedOnBothSides = 0;

    bool changesTable() const { return !changes.empty() || !additions.empty() || !removals.empty(); }
    bool changesFolder() const { return !writes.empty() || !deletions.empty(); }
};

// The base a sync of `alarms` starts from: `base`, or none when the table
// holds no alarm for the folder while the base holds some. Such a table is
// taken for one lost, not for every alarm deleted: every item is read again
// and nothing is removed there.
FolderBase syncBase(const AlarmTable& alarms, const FolderBase& base);

// The three-way merge of `alarms` (`ids[i]` being alarm i's identity), the
// folder as `scan` found it and `base`. A change on one side is made on the
// other; an alarm changed on both sides is kept in both versions (the
// folder's keeps the identity, the table's becomes a new alarm); of one
// removed on one side and changed on the other, the change is kept.
FolderSync mergeCalendarFolder(const AlarmTable& alarms, const std::vector<std::string>& ids,
    const FolderBase& base, const FolderScan& scan);

// Carries out the folder's part of `sync` (each file by a temporary file and a
// rename) and completes its base with what was written. Returns the failures,
// one line each; a write that failed is tried again at the next sync.
std::vector<std::string> writeCalendarFolder(
    FileSink& sink, const std::string& folder, FolderSync& sync, const std::string& zone);

// The file name of a new item of `uid` in the folder.
std::string itemFileName(const std::string& uid);

} // namespace kvx
