#pragma once

#include "core/DataFile.h"
#include "core/SaveRoutine.h"

#include <QString>

namespace kvx {

// The warning of a save that failed: the file and the reason on the lines
// after the headline, which names the data file or, when only they failed,
// the settings files. Empty when the save succeeded.
QString saveFailureText(const SaveResult& result, const DataFile& dataFile, const Settings& settings);

// What a failed save of the data file means beyond "nothing was written":
// why no save can succeed until a copy of the old file can be made. Empty
// for any other failure.
QString dataSaveAftermath(const FileProblem& problem);

// What the user must know after loading the data file: why it could not be
// read and what becomes of it, or that the original of a converted file could
// not be copied yet. Empty when there is nothing to tell.
QString loadProblemText(const FileProblem& problem);

} // namespace kvx
