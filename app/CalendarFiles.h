#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "platform/RunningCopyChannel.h"

#include <string>

namespace kvx {

class AlarmStore;

// The alarms to and from iCalendar files, for the terminal's --export and
// --import and the calendar window's menu: what happened, as a terminal
// command answers it (exit status, what it prints, what it tells).

// Writes every alarm but the quick timers, and the rota, to `path` ("-": the
// answer's `out` holds the calendar itself).
CommandAnswer exportCalendarFile(const AlarmStore& store, const std::string& path);

// Reads the events of `path` that an alarm holds exactly, adds those whose
// UID the table lacks, and saves; the others are named with their reasons.
// Fields an event does not give come from `blank`. A file that cannot be
// read, or a save that fails, changes nothing.
CommandAnswer importCalendarFile(
    AlarmStore& store, const std::string& path, const AlarmRecord& blank, OleDate now);

// A sync tool met one calendar item changed on both sides, and hands over
// both versions, `first` and `second`: both are kept. Unless they hold the
// same alarm, the first version goes into the calendar folder of the
// settings as an item of its own (a new UID); then both files hold the
// second, as the sync tool requires. Nothing is changed when the folder is
// not set or cannot be written (the sync tool then leaves both as they are).
CommandAnswer resolveICalendarConflict(const std::string& first, const std::string& second);

} // namespace kvx
