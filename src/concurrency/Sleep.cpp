#include "concurrency/Sleep.h"

#include "concurrency/CancellableContinuation.h"
#include "concurrency/Runtime.h"

#include <limits>

namespace lumra {

Task<void> sleepFor(std::chrono::nanoseconds duration) {
    checkCancellation();
    Clock& clock = runtimeClock();
    auto wait = [&clock, duration](CancellableContinuation<void> continuation) {
        const auto timer = clock.schedule(duration, [continuation] { continuation.resume(); });
        continuation.onCancel([&clock, timer] { clock.cancel(timer); });
    };
    co_await withCancellableContinuation<void>(std::move(wait));
}

std::uint64_t TaskSleeper::nanosecondsFor(double seconds) noexcept {
    if (!(seconds > 0))
        return 0; // also NaN
    const double nanoseconds = seconds * 1e9;
    // 2^64 is exactly representable; anything at or above it does not fit.
    if (nanoseconds >= 18446744073709551616.0)
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(nanoseconds);
}

Task<void> TaskSleeper::sleepSeconds(double seconds) {
    const std::uint64_t nanoseconds = nanosecondsFor(seconds);
    if (nanoseconds == 0)
        co_return;
    // The clock counts in signed nanoseconds; longer waits saturate there.
    constexpr auto longest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    co_await sleepFor(std::chrono::nanoseconds(
        static_cast<std::int64_t>(nanoseconds < longest ? nanoseconds : longest)));
}

} // namespace lumra
