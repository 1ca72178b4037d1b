// The pages of the Settings window and of the popover's settings page.
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

} // namespace lumra

template <> struct std::hash<lumra::SettingsTab> : lumra::TextEnumHash<lumra::SettingsTab> {};
