// Grade of a loaded-to-idle latency ratio; there are deliberately no D and E grades.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class BufferbloatGrade {
    a,
    b,
    c,
    f,
};

template <> struct TextEnumTraits<BufferbloatGrade> {
    static constexpr std::array<std::pair<BufferbloatGrade, std::string_view>, 4> cases{{
        {BufferbloatGrade::a, "A"},
        {BufferbloatGrade::b, "B"},
        {BufferbloatGrade::c, "C"},
        {BufferbloatGrade::f, "F"},
    }};
};

} // namespace lumra

template <>
struct std::hash<lumra::BufferbloatGrade> : lumra::TextEnumHash<lumra::BufferbloatGrade> {};
