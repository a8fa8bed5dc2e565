#include "app/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(DisplayPlatform, XWaylandWhenOfferedWaylandWhenAloneAndTheUsersChoiceKept)
{
    struct Row {
        const char* name;
        DisplayEnvironment environment;
        std::optional<std::string> platform;
    };
    const Row rows[] = {
        {"Wayland session with XWayland", {"", "wayland-0", ":0", "wayland"}, "xcb;wayland"},
        {"Wayland display only", {"", "wayland-0", "", "wayland"}, "wayland"},
        {"Wayland display, no session type", {"", "/run/user/1000/wayland-1", "", ""}, "wayland"},
        {"Wayland session type, default display name", {"", "", "", "wayland"}, "wayland"},
        {"Wayland session type, default display name, XWayland", {"", "", ":1", "wayland"}, "xcb;wayland"},
        {"X11 session", {"", "", ":0", "x11"}, std::nullopt},
        {"no display at all", {"", "", "", "tty"}, std::nullopt},
        {"user asked for Wayland", {"wayland", "wayland-0", ":0", "wayland"}, std::nullopt},
        {"user asked for X on Wayland alone", {"xcb", "wayland-0", "", "wayland"}, std::nullopt},
        {"user asked for offscreen", {"offscreen", "", "", ""}, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(chooseDisplayPlatform(row.environment), row.platform) << row.name;
    }
}

} // namespace
} // namespace kvx
