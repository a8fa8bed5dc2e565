#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <ctime>
#include <optional>
#include <string>

namespace kvx {

// When the exit cannot save the data file, the tables go to a rescue file
// instead: "<data file name>.rescue-YYYYMMDD-HHMMSS" beside the data file or,
// when its folder cannot take it, in the state folder. The next start offers
// to take it back.

std::string rescueFileName(const std::string& dataPath, OleDate now);
// $XDG_STATE_HOME/Kalvendorix/, by default $HOME/.local/state/Kalvendorix/.
std::string rescueStateFolder();
// Writes the tables beside the data file or, failing that, into the state
// folder. The path written, or "" when neither could be written.
std::string writeRescueFile(const SharedTables& tables, const std::string& dataPath, OleDate now);

struct RescueFile {
    std::string path;
    std::time_t written = 0;
    SharedTables tables;
};

// The newest rescue file of the data file at `dataPath` that was written after
// the data file (or while it is missing) and loads whole: the data that the
// last exit could not save. Only the user's own regular files count.
std::optional<RescueFile> newerRescueFile(const std::string& dataPath);

} // namespace kvx
