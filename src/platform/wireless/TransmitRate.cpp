#include "platform/wireless/TransmitRate.h"

#include <cmath>

namespace lumra {

double transmitRateMbps(std::uint32_t hundredKilobits) {
    // Division, not multiplication by 0.1: 8665 / 10.0 is exactly 866.5.
    return static_cast<double>(hundredKilobits) / 10.0;
}

std::optional<std::int64_t> roundHalfAwayFromZero(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::round(value);
    // 2^63 is exact in a double; the range is [-2^63, 2^63).
    constexpr double limit = 9223372036854775808.0;
    if (rounded < -limit || rounded >= limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

} // namespace lumra
