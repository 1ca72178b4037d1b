// What the Settings window and the popover's settings page say, without Qt:
// every sentence once, the lines composed from a version or a build, and the
// pages' buttons. The two views differ only where their designs do (the
// window's "Download Update", the page's "Download").
#pragma once

#include "settings/viewmodel/SettingsTab.h"
#include "shell/buildinfo/AppBuildMetadataDisplayInfo.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

namespace SettingsText {
// Both views.
inline constexpr std::string_view settings = "Settings";
inline constexpr std::string_view batteryFriendly = "Battery friendly";
inline constexpr std::string_view batteryFriendlyDetail = "Fast while open, slower in background.";
inline constexpr std::string_view pausesWhileAsleep =
    "Monitoring also pauses automatically while your computer sleeps.";
inline constexpr std::string_view launchAtLogin = "Launch at login";
inline constexpr std::string_view launchAtLoginDetail =
    "Start Lumra automatically when you log in.";
inline constexpr std::string_view checkForUpdates = "Check for Updates";

// The Settings window.
inline constexpr std::string_view appName = "Lumra";
inline constexpr std::string_view generalDetail = "Manage app behavior and monitoring defaults.";
inline constexpr std::string_view windowApprovalNeeded = "Requires approval in System Settings";
inline constexpr std::string_view windowOpenApproval = "Open Settings";
inline constexpr std::string_view aboutDetail =
    "Network diagnostics for quick, actionable Wi-Fi troubleshooting.";
inline constexpr std::string_view downloadUpdate = "Download Update";
inline constexpr std::string_view windowAboutNote =
    "Built to monitor signal quality, latency, DNS health and channel congestion in one place.";
inline constexpr std::string_view launchAtLoginAlertTitle = "Launch at Login";
inline constexpr std::string_view launchAtLoginAlertButton = "OK";

// The popover's page.
inline constexpr std::string_view pageSubtitle = "App preferences";
inline constexpr std::string_view backToMain = "Back to Main";
inline constexpr std::string_view pageApprovalNeeded = "Approval needed in System Settings.";
inline constexpr std::string_view pageOpenApproval = "Open";
inline constexpr std::string_view download = "Download";
inline constexpr std::string_view pageAboutNote =
    "Live Wi-Fi diagnostics with signal, latency, channel and speed insights.";
} // namespace SettingsText

// The title and symbol of a page's button, the same in both views; the
// title heads the page too.
struct SettingsTabModel {
    SettingsTab tab;
    std::string symbolName;
    std::string title;
};

// In declaration order: General, About.
std::span<const SettingsTabModel> settingsTabs();
const SettingsTabModel& settingsTab(SettingsTab tab);

// "Adaptive" while battery friendly, else "Always Fast".
std::string batteryModeChipText(bool isBatteryFriendly);

// The window's "Update Available: v2.1.0" and the page's "Update available:
// 2.1.0", the version as the update service sent it.
std::string windowUpdateTitle(std::string_view version);
std::string pageUpdateTitle(std::string_view version);

// The notes line shows only non-empty notes.
bool showsReleaseNotes(const std::optional<std::string>& releaseNotes);

struct BuildInfoRow {
    std::string key;
    std::string value;

    bool operator==(const BuildInfoRow&) const = default;
};

// The window's build card: Current Version, Build ID, Release Date, and the
// channel, always "Stable".
std::vector<BuildInfoRow> windowBuildRows(const AppBuildMetadataDisplayInfo& build);
// The page's: Version, Build ID, Release Date.
std::vector<BuildInfoRow> pageBuildRows(const AppBuildMetadataDisplayInfo& build);

} // namespace lumra
