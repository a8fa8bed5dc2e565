#pragma once

#include "core/DataFile.h"
#include "core/OleDate.h"
#include "core/Records.h"

#include <string>

namespace kvx {

// "<data file name>.rescue-YYYYMMDD-HHMMSS".
std::string rescueFileName(const std::string& dataPath, OleDate now);
// The folder a rescue file goes to when the data file's own cannot take it:
// $XDG_STATE_HOME/Kalvendorix/, by default $HOME/.local/state/Kalvendorix/.
std::string rescueStateFolder();
// Writes the tables beside the data file or, failing that, into the state
// folder. The path written, or "" when neither could be written.
std::string writeRescueFile(const SharedTables& tables, const std::string& dataPath, OleDate now);

} // namespace kvx
