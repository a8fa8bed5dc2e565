#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// A sync service (Syncthing, Nextcloud, Dropbox) that meets a file saved on
// two computers between two syncs keeps one and sets the other aside beside
// it under a name of its own:
//   Syncthing  "Kalvendorix.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.dat"
//   Nextcloud  "Kalvendorix (conflicted copy YYYY-MM-DD HHMMSS).dat"
//   Dropbox    "Kalvendorix (Name's conflicted copy YYYY-MM-DD).dat"
// Whether `name` is such a copy of the data file named `dataFileName`.
bool isSyncConflictName(std::string_view dataFileName, std::string_view name);

// The conflict copies beside the data file at `dataPath` (or beside the file
// behind the user's own link there), as full paths, in name order. Only
// regular files of this user count, never a link.
std::vector<std::string> syncConflictCopies(const std::string& dataPath);

// Moves a conflict copy whose alarms were taken in out of the sync service's
// way: "<copy>.merged" (or "-1", "-2" ... after it when taken); the new path,
// or "" when it could not be moved.
std::string setMergedCopyAside(const std::string& copy);

} // namespace kvx
