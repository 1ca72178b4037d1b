#include "concurrency/Sleep.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Continuation.h"
#include "concurrency/Runtime.h"

#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>

namespace lumra {

namespace {

// Shared by the timer, the cancellation handler and the waiting frame; the
// first of the timer and the handler to arrive ends the wait.
struct SleepState {
    std::mutex mutex;
    bool ended = false;
    std::optional<CheckedThrowingContinuation<void>> continuation;
    std::optional<Clock::TimerId> timer;

    void fire() {
        std::optional<CheckedThrowingContinuation<void>> waiting;
        {
            std::lock_guard lock(mutex);
            if (ended)
                return;
            ended = true;
            waiting.swap(continuation);
        }
        if (waiting)
            waiting->resume();
    }

    void cancel(Clock& clock) {
        std::optional<CheckedThrowingContinuation<void>> waiting;
        std::optional<Clock::TimerId> pending;
        {
            std::lock_guard lock(mutex);
            if (ended)
                return;
            ended = true;
            waiting.swap(continuation);
            pending.swap(timer);
        }
        if (pending)
            clock.cancel(*pending);
        if (waiting)
            waiting->resumeThrowing(CancellationError());
    }
};

} // namespace

Task<void> sleepFor(std::chrono::nanoseconds duration) {
    checkCancellation();
    Clock& clock = runtimeClock();
    auto state = std::make_shared<SleepState>();
    auto wait = withCheckedThrowingContinuation<void>(
        [state, &clock, duration](CheckedThrowingContinuation<void> continuation) {
            {
                std::lock_guard lock(state->mutex);
                if (state->ended) {
                    // Cancelled before the wait began.
                    continuation.resumeThrowing(CancellationError());
                    return;
                }
                state->continuation = continuation;
            }
            const auto id = clock.schedule(duration, [state] { state->fire(); });
            std::lock_guard lock(state->mutex);
            if (!state->ended)
                state->timer = id;
        });
    auto onCancel = [state, &clock] { state->cancel(clock); };
    co_await withTaskCancellationHandler(std::move(wait), std::move(onCancel));
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
