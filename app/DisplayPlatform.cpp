#include "app/DisplayPlatform.h"

namespace kvx {

std::optional<std::string> chooseDisplayPlatform(const DisplayEnvironment& environment)
{
    if (!environment.qtPlatform.empty()) {
        return std::nullopt;
    }
    // Without WAYLAND_DISPLAY a Wayland client connects to "wayland-0".
    const bool wayland = !environment.waylandDisplay.empty() || environment.sessionType == "wayland";
    if (!wayland) {
        return std::nullopt;
    }
    if (environment.x11Display.empty()) {
        return "wayland";
    }
    // Should the X server have gone away, the Wayland display still serves.
    return "xcb;wayland";
}

} // namespace kvx
