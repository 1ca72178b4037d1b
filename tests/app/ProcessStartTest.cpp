#include "app/WaylandPlatform.h"

#include <gtest/gtest.h>

namespace lumra::test {
namespace {

TEST(WaylandPlatformTest, AWaylandSessionWithAnXServerAsksForX11UnlessAPlatformIsChosen) {
    struct Case {
        ProcessInformation::Environment environment;
        std::optional<std::string> platform;
    };
    const std::vector<Case> cases{
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}}, "xcb"},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, "xcb"},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}, {"QT_QPA_PLATFORM", "wayland"}},
         std::nullopt},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}, std::nullopt},
        {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& row : cases)
        EXPECT_EQ(preferredQtPlatform(ProcessInformation(row.environment)), row.platform);
}

} // namespace
} // namespace lumra::test
