#pragma once

#include "core/OleDate.h"
#include "platform/RunningCopyChannel.h"

#include <optional>
#include <string>
#include <vector>

namespace kvx {

// What a command of the terminal asks of the running copy: a quick timer
// (--quick), the alarms (--list), the next bell (--next), or the alarms to or
// from an iCalendar file (--export, --import). A sync tool's conflict
// (--resolve-ical) is settled by the command itself, not by the running copy.
enum class TerminalCommand { None, Quick, List, Next, Export, Import, ResolveICalendar };

// What the program was started to do. The desktop entry's actions start it
// with --open, --new and --quit; the copy that runs already carries them out,
// and the commands of the terminal too.
struct CommandLine {
    std::optional<CopyRequest> request;
    TerminalCommand command = TerminalCommand::None;
    int minutes = 0; // --quick
    std::string message; // --quick; empty for the quick timer's own
    std::optional<OleDate> day; // --list --date
    std::string path; // --export ("-": standard output), --import, --resolve-ical's first
    std::string secondPath; // --resolve-ical's second
    bool help = false;
    bool version = false;
    // Why the arguments were refused; empty when they were not.
    std::string error;
    // 2 when the arguments are not the program's usage, 1 when a value is refused.
    int errorStatus = 2;
};

// Reads the program's own options from the arguments after the program name.
// Options of Qt's own (a single dash: -platform, -style ...) are left to Qt;
// any other argument is refused. After the minutes of --quick every argument
// is the message, joined by spaces (a "--" right after the minutes is not).
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The arguments as the running copy is to see them: a file of --export or
// --import named from `folder` (the terminal's working folder), since the
// running copy works from another.
std::vector<std::string> withAbsolutePaths(std::vector<std::string> arguments, const std::string& folder);

// What --help prints.
std::string commandLineHelp();

} // namespace kvx
