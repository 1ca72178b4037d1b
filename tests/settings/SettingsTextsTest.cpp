#include "settings/viewmodel/SettingsTexts.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(SettingsTexts, TabsChipAndUpdateLines) {
    const auto tabs = settingsTabs();
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].title, "General");
    EXPECT_EQ(tabs[0].symbolName, "slider.horizontal.3");
    EXPECT_EQ(rawValue(tabs[1].tab), "about");
    EXPECT_EQ(settingsTab(SettingsTab::about).title, "About");
    EXPECT_EQ(batteryModeChipText(true), "Adaptive");
    EXPECT_EQ(batteryModeChipText(false), "Always Fast");
    EXPECT_EQ(pageUpdateTitle("2.0 <b>"), "Update available: 2.0 <b>");
    EXPECT_EQ(windowUpdateTitle("2.0 <b>"), "Update Available: v2.0 <b>");
    EXPECT_FALSE(showsReleaseNotes(std::nullopt));
    EXPECT_FALSE(showsReleaseNotes(""));
    EXPECT_TRUE(showsReleaseNotes(" "));
}

TEST(SettingsTexts, EachViewsBuildRows) {
    const AppBuildMetadataDisplayInfo build{"v1.4.0 (7)", "abc123", "December 11, 2026"};
    EXPECT_EQ(windowBuildRows(build), (std::vector<BuildInfoRow>{
                                          {"Current Version", "v1.4.0 (7)"},
                                          {"Build ID", "abc123"},
                                          {"Release Date", "December 11, 2026"},
                                          {"Build Channel", "Stable"},
                                      }));
    EXPECT_EQ(pageBuildRows(build), (std::vector<BuildInfoRow>{
                                        {"Version", "v1.4.0 (7)"},
                                        {"Build ID", "abc123"},
                                        {"Release Date", "December 11, 2026"},
                                    }));
}

} // namespace
} // namespace lumra
