// Three-step grade of one metric, a DNS lookup or connection pressure.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class SignalQuality {
    good,
    warning,
    poor,
};

template <> struct TextEnumTraits<SignalQuality> {
    static constexpr std::array<std::pair<SignalQuality, std::string_view>, 3> cases{{
        {SignalQuality::good, "good"},
        {SignalQuality::warning, "warning"},
        {SignalQuality::poor, "poor"},
    }};
};

} // namespace lumra

template <> struct std::hash<lumra::SignalQuality> : lumra::TextEnumHash<lumra::SignalQuality> {};
