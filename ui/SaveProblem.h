#pragma once

#include "core/DataFile.h"
#include "core/SaveRoutine.h"

#include <QString>

namespace kvx {

// The warning of a save that failed: the file and the reason on the lines
// after the headline, which names the data file or, when only they failed,
// the settings files. Empty when the save succeeded.
QString saveFailureText(const SaveResult& result, const DataFile& dataFile, const Settings& settings);

} // namespace kvx
