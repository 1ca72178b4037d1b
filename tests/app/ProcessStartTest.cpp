#include "app/SingleInstanceLock.h"
#include "app/WaylandPlatform.h"
#include "tests/support/TempDir.h"

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

TEST(SingleInstanceLockTest, ASecondHolderIsRefusedUntilTheFirstIsGone) {
    TempDir directory;
    const std::filesystem::path path = std::filesystem::path(directory.path()) / "lumra.lock";
    auto first = SingleInstanceLock::acquire(path);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(SingleInstanceLock::acquire(path).has_value());
    first.reset();
    EXPECT_TRUE(SingleInstanceLock::acquire(path).has_value());
}

TEST(SingleInstanceLockTest, TheLockLivesInTheRuntimeDirectory) {
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    EXPECT_EQ(SingleInstanceLock::defaultPath(),
              std::filesystem::path("/run/user/1000/lumra.lock"));
    ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(SingleInstanceLock::defaultPath().parent_path(),
              std::filesystem::temp_directory_path());
}

} // namespace
} // namespace lumra::test
