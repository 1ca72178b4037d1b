// Transmit rates as nl80211 reports them (units of 100 kbit/s) and the
// rounding callers apply to show whole megabits. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace lumra {

// Full precision, so the caller decides how to round: 8665 gives 866.5.
double transmitRateMbps(std::uint32_t hundredKilobits);

// Nearest integer, halves away from zero (0.5 gives 1, 866.5 gives 867);
// none for a value that is not finite or lies outside the signed 64-bit range.
std::optional<std::int64_t> roundHalfAwayFromZero(double value);

} // namespace lumra
