#include "settings/viewmodel/SettingsTexts.h"

#include <array>

namespace lumra {

namespace {

constexpr std::string_view buildID = "Build ID";
constexpr std::string_view releaseDate = "Release Date";

} // namespace

std::span<const SettingsTabModel> settingsTabs() {
    static const std::array<SettingsTabModel, 2> tabs{{
        {SettingsTab::general, "slider.horizontal.3", "General"},
        {SettingsTab::about, "info.circle", "About"},
    }};
    return tabs;
}

const SettingsTabModel& settingsTab(SettingsTab tab) {
    return settingsTabs()[static_cast<std::size_t>(tab)];
}

std::string batteryModeChipText(bool isBatteryFriendly) {
    return isBatteryFriendly ? "Adaptive" : "Always Fast";
}

std::string windowUpdateTitle(std::string_view version) {
    return "Update Available: v" + std::string{version};
}

std::string pageUpdateTitle(std::string_view version) {
    return "Update available: " + std::string{version};
}

bool showsReleaseNotes(const std::optional<std::string>& releaseNotes) {
    return releaseNotes && !releaseNotes->empty();
}

std::vector<BuildInfoRow> windowBuildRows(const AppBuildMetadataDisplayInfo& build) {
    return {{"Current Version", build.version},
            {std::string{buildID}, build.buildID},
            {std::string{releaseDate}, build.releaseDate},
            {"Build Channel", "Stable"}};
}

std::vector<BuildInfoRow> pageBuildRows(const AppBuildMetadataDisplayInfo& build) {
    return {{"Version", build.version},
            {std::string{buildID}, build.buildID},
            {std::string{releaseDate}, build.releaseDate}};
}

} // namespace lumra
