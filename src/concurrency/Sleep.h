// Sleeping. sleepFor is the task system's own cancellable sleep on the
// runtime's clock. SleepProviding is the injectable sleep that loops and
// schedules take; TaskSleeper is its implementation over sleepFor.
#pragma once

#include "concurrency/Task.h"

#include <chrono>
#include <cstdint>

namespace lumra {

// Returns once duration has passed on the runtime clock; throws
// CancellationError when the task is cancelled before or during the wait.
Task<void> sleepFor(std::chrono::nanoseconds duration);

class SleepProviding {
public:
    virtual ~SleepProviding() = default;
    // Returns once seconds have passed; throws CancellationError when the
    // waiting task is cancelled.
    virtual Task<void> sleepSeconds(double seconds) = 0;
};

class TaskSleeper final : public SleepProviding {
public:
    // 0 or less returns at once, without suspending and without looking at
    // cancellation. NaN counts as 0; a value too large for an unsigned 64-bit
    // count of nanoseconds (or infinite) is clamped to the largest count,
    // which in practice waits until cancelled.
    Task<void> sleepSeconds(double seconds) override;

    // The nanosecond count a wait of seconds lasts.
    static std::uint64_t nanosecondsFor(double seconds) noexcept;
};

} // namespace lumra
