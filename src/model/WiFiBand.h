// Band of a Wi-Fi channel. The raw texts double as display labels and sort as texts in band order.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class WiFiBand {
    twoPointFourGigahertz,
    fiveGigahertz,
    sixGigahertz,
    unknown,
};

template <> struct TextEnumTraits<WiFiBand> {
    static constexpr std::array<std::pair<WiFiBand, std::string_view>, 4> cases{{
        {WiFiBand::twoPointFourGigahertz, "2.4 GHz"},
        {WiFiBand::fiveGigahertz, "5 GHz"},
        {WiFiBand::sixGigahertz, "6 GHz"},
        {WiFiBand::unknown, "Unknown"},
    }};
};

} // namespace lumra

template <> struct std::hash<lumra::WiFiBand> : lumra::TextEnumHash<lumra::WiFiBand> {};
