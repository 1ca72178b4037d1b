// Overall network health shown by the status item. The raw text is used verbatim wherever a text is
// needed.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class HealthState {
    good,
    warning,
    poor,
    disconnected,
};

template <> struct TextEnumTraits<HealthState> {
    static constexpr std::array<std::pair<HealthState, std::string_view>, 4> cases{{
        {HealthState::good, "good"},
        {HealthState::warning, "warning"},
        {HealthState::poor, "poor"},
        {HealthState::disconnected, "disconnected"},
    }};
};

} // namespace lumra

template <> struct std::hash<lumra::HealthState> : lumra::TextEnumHash<lumra::HealthState> {};
