#pragma once

#include "platform/RunningCopyChannel.h"

#include <optional>
#include <string>
#include <vector>

namespace kvx {

// What the program was started to do. The desktop entry's actions start it
// with --open, --new and --quit; the copy that runs already carries them out.
struct CommandLine {
    std::optional<CopyRequest> request;
    bool help = false;
    bool version = false;
    // Why the arguments were refused; empty when they were not.
    std::string error;
};

// Reads the program's own options from the arguments after the program name.
// Options of Qt's own (a single dash: -platform, -style ...) are left to Qt.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// What --help prints.
std::string commandLineHelp();

} // namespace kvx
