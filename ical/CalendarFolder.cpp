#include "ical/CalendarFolder.h"

#include "core/AlarmIds.h"
#include "core/WholeFile.h"
#include "ical/ICalendar.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace kvx {

namespace {

constexpr std::string_view kBaseHeader = "Kalvendorix calendar folder 1\n";
constexpr std::string_view kNoRecord = "-";

// The parts one after another, in one string.
std::string concat(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (const std::string_view part : parts) {
        text += part;
    }
    return text;
}

std::string recordHash(const AlarmRecord& record)
{
    return keyHash(alarmContentKey(record));
}

std::vector<std::string> fieldsOf(std::string_view line)
{
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.emplace_back(line.substr(at, tab - at));
        if (tab == std::string_view::npos) {
            return fields;
        }
        at = tab + 1;
    }
}

template <class T> bool numberOf(const std::string& text, T& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A name or UID fit for one field of a line of the base.
bool storable(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
}

void setStat(FolderEntry& entry, const struct stat& status)
{
    entry.size = static_cast<long long>(status.st_size);
    entry.modifiedNs = static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
    entry.inode = static_cast<unsigned long long>(status.st_ino);
}

// What the folder at `folder` is, or why it cannot be used.
std::string folderProblem(const std::string& folder)
{
    if (folder.empty() || folder.front() != '/') {
        return "フォルダーを絶対パスで指定してください";
    }
    struct stat status { };
    if (::lstat(folder.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            return systemReason(errno);
        }
        if (!createPrivateFolders(folder)) {
            return "フォルダーを作れません：" + systemReason(errno);
        }
        return {};
    }
    if (S_ISLNK(status.st_mode) && status.st_uid != ::geteuid()) {
        return "他のユーザーが置いたリンクのため使いません";
    }
    if (::stat(folder.c_str(), &status) != 0) {
        return systemReason(errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return "フォルダーではありません";
    }
    if (status.st_uid != ::geteuid()) {
        return "他のユーザーのフォルダーのため使いません";
    }
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) {
        return systemReason(errno);
    }
    return {};
}

} // namespace

std::string folderBasePath(
    const std::string& stateFolder, const std::string& folder, const std::string& dataPath)
{
    return stateFolder + "/calendar-folder-" + keyHash(folder + '\n' + dataPath) + ".base";
}

std::string encodeFolderBase(const FolderBase& base)
{
    std::string bytes(kBaseHeader);
    bytes += base.folder + '\n';
    for (const FolderEntry& e : base.entries) {
        if (!storable(e.file) || !storable(e.uid)) {
            continue;
        }
        bytes += e.file + '\t' + e.uid + '\t' + e.inStep + '\t' + e.fileRecord + '\t' + e.fileHash + '\t'
            + std::to_string(e.size) + '\t' + std::to_string(e.modifiedNs) + '\t' + std::to_string(e.inode)
            + '\n';
    }
    return bytes;
}

std::optional<FolderBase> decodeFolderBase(const std::string& bytes, const std::string& folder)
{
    if (!bytes.starts_with(kBaseHeader)) {
        return std::nullopt;
    }
    FolderBase base;
    std::size_t at = kBaseHeader.size();
    const std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos || bytes.compare(at, end - at, folder) != 0 || end - at != folder.size()) {
        return std::nullopt;
    }
    base.folder = folder;
    for (at = end + 1; at < bytes.size();) {
        const std::size_t stop = bytes.find('\n', at);
        if (stop == std::string::npos) {
            return std::nullopt; // cut short
        }
        const std::vector<std::string> f = fieldsOf(std::string_view(bytes).substr(at, stop - at));
        at = stop + 1;
        FolderEntry e;
        if (f.size() != 8 || f[0].empty() || !numberOf(f[5], e.size) || !numberOf(f[6], e.modifiedNs)
            || !numberOf(f[7], e.inode)) {
            return std::nullopt;
        }
        e.file = f[0];
        e.uid = f[1];
        e.inStep = f[2];
        e.fileRecord = f[3];
        e.fileHash = f[4];
        base.entries.push_back(std::move(e));
    }
    return base;
}

FolderScan scanCalendarFolder(
    const std::string& folder, const FolderBase& base, const std::string& zone, const AlarmRecord& blank)
{
    FolderScan scan;
    scan.error = folderProblem(folder);
    if (!scan.error.empty()) {
        return scan;
    }
    std::unordered_map<std::string, const FolderEntry*> known;
    for (const FolderEntry& entry : base.entries) {
        known.emplace(entry.file, &entry);
    }
    std::error_code error;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.ends_with(".ics") && name.front() != '.') {
            names.push_back(std::move(name));
        }
    }
    if (error) {
        scan.error = error.message();
        return scan;
    }
    std::sort(names.begin(), names.end());
    std::set<std::string> uids;
    for (const std::string& name : names) {
        const std::string path = concat({folder, "/", name});
        struct stat status { };
        if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            if (S_ISLNK(status.st_mode)) {
                scan.problems.emplace_back(
                    "link " + name, concat({"「", name, "」はリンクのため読みません"}));
            }
            continue;
        }
        FolderItem item;
        const auto was = known.find(name);
        if (was != known.end()) {
            item.seen = *was->second;
        }
        item.seen.file = name;
        const bool sameStat = was != known.end() && item.seen.size == static_cast<long long>(status.st_size)
            && item.seen.inode == static_cast<unsigned long long>(status.st_ino)
            && item.seen.modifiedNs
                == static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
        // An item read before whose record was not taken yet (a full table) is read again.
        const bool pending = item.seen.fileRecord != kNoRecord && item.seen.fileRecord != item.seen.inStep;
        setStat(item.seen, status);
        if (sameStat && !pending) {
            if (!item.seen.uid.empty() && !uids.insert(item.seen.uid).second) {
                continue;
            }
            scan.items.push_back(std::move(item));
            continue;
        }
        std::string bytes;
        std::string reason;
        if (static_cast<std::size_t>(status.st_size) > kMaxItemBytes) {
            scan.problems.emplace_back(
                "read " + name, concat({"「", name, "」を読めません：ファイルが大きすぎます"}));
            continue;
        }
        if (readWholeFile(path, bytes, kMaxItemBytes, &reason, Links::Refuse) != ReadStatus::Read) {
            scan.problems.emplace_back("read " + name, concat({"「", name, "」を読めません：", reason}));
            continue;
        }
        const std::string hash = keyHash(bytes);
        if (was != known.end() && hash == item.seen.fileHash && !pending) {
            scan.items.push_back(std::move(item)); // touched, not changed
            continue;
        }
        item.seen.fileHash = hash;
        const ICalendarImport read = importICalendar(bytes, zone, blank);
        item.seen.fileRecord = kNoRecord;
        item.seen.uid.clear();
        if (!read.error.empty()) {
            scan.problems.emplace_back(
                concat({"bad ", name, hash}), concat({"「", name, "」：", read.error}));
        } else if (read.items.size() == 1 && read.skipped.empty()) {
            item.seen.uid = read.items.front().uid;
            item.seen.fileRecord = recordHash(read.items.front().record);
            item.record = read.items.front().record;
        } else if (!read.skipped.empty()) {
            std::set<std::string> inside(read.skippedUids.begin(), read.skippedUids.end());
            for (const ICalendarItem& one : read.items) {
                inside.insert(one.uid);
            }
            if (inside.size() == 1) {
                item.seen.uid = *inside.begin(); // known, never changed or removed
            }
            scan.problems.emplace_back(concat({"skip ", name, hash}),
                concat({"カレンダーフォルダーの「", name, "」はアラームにできないため、そのままにします：",
                    read.skipped.front()}));
        }
        if (!item.seen.uid.empty() && !uids.insert(item.seen.uid).second) {
            scan.problems.emplace_back(
                "twice " + name, concat({"「", name, "」のUIDは別のファイルにもあるため、読みません"}));
            continue;
        }
        scan.items.push_back(std::move(item));
    }
    return scan;
}

FolderBase syncBase(const AlarmTable& alarms, const FolderBase& base)
{
    const auto end = alarms.alarms.begin() + alarms.alarmCount;
    const bool anyFits
        = std::any_of(alarms.alarms.begin(), end, [](const AlarmRecord& a) { return fitsICalendar(a); });
    return anyFits ? base : FolderBase{base.folder, {}};
}

FolderSync mergeCalendarFolder(const AlarmTable& alarms, const std::vector<std::string>& ids,
    const FolderBase& base, const FolderScan& scan)
{
    FolderSync sync;
    sync.base.folder = base.folder;
    // The table's side: the alarms a calendar item can hold, by identity.
    std::unordered_map<std::string, std::size_t> table;
    for (int i = 0; i < alarms.alarmCount && static_cast<std::size_t>(i) < ids.size(); ++i) {
        if (fitsICalendar(alarms.alarms[static_cast<std::size_t>(i)])) {
            table.emplace(ids[static_cast<std::size_t>(i)], static_cast<std::size_t>(i));
        }
    }
    // The base: what each identity was when both sides last agreed.
    std::unordered_map<std::string, std::string> inStep;
    for (const FolderEntry& entry : base.entries) {
        if (!entry.uid.empty() && !entry.inStep.empty()) {
            inStep.emplace(entry.uid, entry.inStep);
        }
    }
    std::unordered_map<std::string, const FolderItem*> folder;
    std::set<std::string> fileNames;
    for (const FolderItem& item : scan.items) {
        fileNames.insert(item.seen.file);
        if (!item.seen.uid.empty()) {
            folder.emplace(item.seen.uid, &item);
        }
    }
    std::unordered_map<std::string, std::size_t> entryOf; // file name → index in sync.base.entries
    for (const FolderItem& item : scan.items) {
        entryOf.emplace(item.seen.file, sync.base.entries.size());
        sync.base.entries.push_back(item.seen);
        sync.base.entries.back().inStep.clear();
    }
    const auto agreed = [&](const FolderItem& item, const std::string& hash) {
        sync.base.entries[entryOf.at(item.seen.file)].inStep = hash;
    };
    const auto newFile = [&](const std::string& uid) {
        std::string name = itemFileName(uid);
        if (fileNames.contains(name)) {
            name = name.substr(0, name.size() - 4) + "-" + keyHash(uid + newAlarmId()).substr(0, 8) + ".ics";
        }
        fileNames.insert(name);
        return name;
    };
    const auto write = [&](const std::string& uid, const AlarmRecord& record, const FolderItem* item) {
        sync.writes.push_back(
            {uid, record, item != nullptr ? item->seen.file : newFile(uid), item != nullptr});
    };
    // Both versions kept: the folder's under the identity, the table's as a new alarm.
    const auto keepBoth = [&](const std::string& uid, const AlarmRecord& ours, const FolderItem& theirs) {
        sync.changes.emplace_back(uid, *theirs.record);
        agreed(theirs, theirs.seen.fileRecord);
        const std::string copy = newAlarmId();
        sync.additions.emplace_back(copy, ours);
        write(copy, ours, nullptr);
        ++sync.changedOnBothSides;
    };
    const auto takeIn = [&](const std::string& uid, const FolderItem& item, bool present) {
        (present ? sync.changes : sync.additions).emplace_back(uid, *item.record);
        agreed(item, item.seen.fileRecord);
    };

    std::set<std::string> uids;
    for (const auto& [uid, index] : table) {
        uids.insert(uid);
    }
    for (const auto& [uid, item] : folder) {
        uids.insert(uid);
    }
    for (const auto& [uid, hash] : inStep) {
        uids.insert(uid);
    }
    for (const std::string& uid : uids) {
        const auto t = table.find(uid);
        const AlarmRecord* ours = t != table.end() ? &alarms.alarms[t->second] : nullptr;
        const std::string oursHash = ours != nullptr ? recordHash(*ours) : std::string();
        const auto f = folder.find(uid);
        const FolderItem* theirs = f != folder.end() ? f->second : nullptr;
        const auto b = inStep.find(uid);
        const bool unread = theirs != nullptr && !theirs->record
            && (b == inStep.end() || theirs->seen.fileRecord != b->second);
        if (theirs != nullptr && (theirs->seen.fileRecord == kNoRecord || unread)) {
            // An item no alarm holds exactly is left as it is; so is one whose
            // change was not read this time (it is read at the next sync).
            agreed(*theirs, b != inStep.end() ? b->second : std::string());
            continue;
        }
        const std::string theirsHash = theirs != nullptr ? theirs->seen.fileRecord : std::string();
        if (b == inStep.end()) {
            // New on one side, or on both with no common past.
            if (ours != nullptr && theirs != nullptr) {
                if (oursHash == theirsHash) {
                    agreed(*theirs, oursHash);
                } else {
                    keepBoth(uid, *ours, *theirs);
                }
            } else if (ours != nullptr) {
                write(uid, *ours, nullptr);
            } else if (theirs != nullptr) {
                takeIn(uid, *theirs, false);
            }
            continue;
        }
        const bool tableChanged = ours == nullptr || oursHash != b->second;
        const bool folderChanged = theirs == nullptr || theirsHash != b->second;
        if (!tableChanged && !folderChanged) {
            agreed(*theirs, b->second);
        } else if (!folderChanged) {
            // Until the file is written or removed, the base stays: a failure is tried again.
            agreed(*theirs, b->second);
            if (ours != nullptr) {
                write(uid, *ours, theirs);
            } else {
                sync.deletions.push_back(theirs->seen.file);
            }
        } else if (!tableChanged) {
            if (theirs != nullptr) {
                takeIn(uid, *theirs, true);
            } else {
                sync.removals.push_back(uid);
            }
        } else if (ours != nullptr && theirs != nullptr) {
            if (oursHash == theirsHash) {
                agreed(*theirs, oursHash);
            } else {
                keepBoth(uid, *ours, *theirs);
            }
        } else if (ours != nullptr) {
            write(uid, *ours, nullptr); // removed there, changed here: the change stays
        } else if (theirs != nullptr) {
            takeIn(uid, *theirs, false); // removed here, changed there
        }
    }
    return sync;
}

std::vector<std::string> writeCalendarFolder(
    FileSink& sink, const std::string& folder, FolderSync& sync, const std::string& zone)
{
    std::vector<std::string> failures;
    std::unordered_map<std::string, std::size_t> entryOf;
    for (std::size_t i = 0; i < sync.base.entries.size(); ++i) {
        entryOf.emplace(sync.base.entries[i].file, i);
    }
    for (const FolderSync::Write& w : sync.writes) {
        const std::string path = concat({folder, "/", w.file});
        std::string existing;
        std::string reason;
        if (w.existing
            && readWholeFile(path, existing, kMaxItemBytes, &reason, Links::Refuse) != ReadStatus::Read) {
            existing.clear();
        }
        const std::string text = icalendarItem(w.record, w.uid, zone, existing);
        struct stat status { };
        if (!replaceFileSafely(sink, path, text, &reason) || ::lstat(path.c_str(), &status) != 0) {
            failures.push_back("「" + w.file + "」を書けません：" + reason);
            continue;
        }
        FolderEntry entry;
        entry.file = w.file;
        entry.uid = w.uid;
        entry.inStep = recordHash(w.record);
        entry.fileRecord = entry.inStep;
        entry.fileHash = keyHash(text);
        setStat(entry, status);
        if (const auto at = entryOf.find(w.file); at != entryOf.end()) {
            sync.base.entries[at->second] = std::move(entry);
        } else {
            entryOf.emplace(w.file, sync.base.entries.size());
            sync.base.entries.push_back(std::move(entry));
        }
    }
    for (const std::string& file : sync.deletions) {
        const std::string path = concat({folder, "/", file});
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            failures.push_back("「" + file + "」を消せません：" + systemReason(errno));
            continue;
        }
        if (const auto at = entryOf.find(file); at != entryOf.end()) {
            sync.base.entries[at->second].file.clear();
        }
    }
    std::erase_if(sync.base.entries, [](const FolderEntry& e) { return e.file.empty(); });
    return failures;
}

std::string itemFileName(const std::string& uid)
{
    const bool plain = !uid.empty() && uid.size() <= 200 && uid.front() != '.'
        && std::all_of(uid.begin(), uid.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                   || c == '_' || c == '.' || c == '@';
           });
    return (plain ? uid : "kvx-" + keyHash(uid)) + ".ics";
}

} // namespace kvx
