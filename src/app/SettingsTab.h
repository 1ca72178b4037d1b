// The Settings window's pages, with the title and symbol of each sidebar
// button.
#pragma once

#include "model/TextEnum.h"

#include <string_view>

namespace lumra {

enum class SettingsTab { general, about };

template <> struct TextEnumTraits<SettingsTab> {
    static constexpr std::array<std::pair<SettingsTab, std::string_view>, 2> cases{{
        {SettingsTab::general, "general"},
        {SettingsTab::about, "about"},
    }};
};

constexpr std::string_view settingsTabTitle(SettingsTab tab) {
    return tab == SettingsTab::general ? "General" : "About";
}

constexpr std::string_view settingsTabSymbolName(SettingsTab tab) {
    return tab == SettingsTab::general ? "slider.horizontal.3" : "info.circle";
}

// The badge beside the battery-friendly switch.
constexpr std::string_view batteryModeBadgeText(bool isBatteryFriendly) {
    return isBatteryFriendly ? "Adaptive" : "Always Fast";
}

} // namespace lumra

template <> struct std::hash<lumra::SettingsTab> : lumra::TextEnumHash<lumra::SettingsTab> {};
