// Which of the two ping targets a measurement belongs to.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class PingTarget {
    router,
    internet,
};

template <> struct TextEnumTraits<PingTarget> {
    static constexpr std::array<std::pair<PingTarget, std::string_view>, 2> cases{{
        {PingTarget::router, "router"},
        {PingTarget::internet, "internet"},
    }};
};

} // namespace lumra

template <> struct std::hash<lumra::PingTarget> : lumra::TextEnumHash<lumra::PingTarget> {};
