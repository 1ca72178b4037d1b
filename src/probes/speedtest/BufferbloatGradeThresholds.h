// Exclusive upper bounds on the ratio of loaded to idle latency for the
// bufferbloat grades A, B and C; anything at or above the last bound is F.
#pragma once

namespace lumra {

struct BufferbloatGradeThresholds {
    double aUpperBoundExclusive;
    double bUpperBoundExclusive;
    double cUpperBoundExclusive;

    bool operator==(const BufferbloatGradeThresholds&) const = default;
};

inline constexpr BufferbloatGradeThresholds defaultBufferbloatGradeThresholds{2.0, 3.0, 5.0};

} // namespace lumra
