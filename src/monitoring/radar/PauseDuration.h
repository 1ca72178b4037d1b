// The length of a loop's pause between readings or scans, for sleepFor.
#pragma once

#include "concurrency/Sleep.h"

#include <chrono>
#include <cstdint>
#include <limits>

namespace lumra {

// max(0, seconds) as whole nanoseconds, NaN as 0; a pause longer than the
// clock can count is its longest wait.
inline std::chrono::nanoseconds pauseDuration(double seconds) noexcept {
    constexpr auto longest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t nanoseconds = TaskSleeper::nanosecondsFor(seconds);
    return std::chrono::nanoseconds(
        static_cast<std::int64_t>(nanoseconds < longest ? nanoseconds : longest));
}

} // namespace lumra
