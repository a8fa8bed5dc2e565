#pragma once

#include <optional>
#include <string>

namespace kvx {

// The environment variables that tell which display servers a session offers.
// An unset variable is empty.
struct DisplayEnvironment {
    std::string qtPlatform; // QT_QPA_PLATFORM
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string x11Display; // DISPLAY
    std::string sessionType; // XDG_SESSION_TYPE
};

// The Qt platform to ask for, or nothing to leave Qt's own choice alone.
// A Wayland session that also offers an X display (XWayland) runs the program
// on X: only there are the windows placed where the program puts them and the
// alarm's window kept above the others; Wayland alone runs it natively. A
// platform the user chose is kept.
std::optional<std::string> chooseDisplayPlatform(const DisplayEnvironment& environment);

} // namespace kvx
