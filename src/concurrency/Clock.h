// The clock service of a runtime: wall time, uptime (monotonic) and one-shot
// timers. The task system's sleep and every timed wait go through it, so a
// virtual clock can drive a whole schedule in tests.
#pragma once

#include "concurrency/Job.h"

#include <chrono>
#include <cstdint>

namespace lumra {

class Clock {
public:
    using TimerId = std::uint64_t;
    using UptimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;

    virtual std::chrono::system_clock::time_point wallNow() const = 0;
    virtual UptimePoint uptimeNow() const = 0;

    // Runs fn once `after` has passed. fn runs on the clock's thread (real) or
    // on the thread that advances time (virtual); it must only post work.
    virtual TimerId schedule(std::chrono::nanoseconds after, Job fn) = 0;
    // True when the timer had not fired and now never will.
    virtual bool cancel(TimerId id) = 0;

    double uptimeSeconds() const {
        return std::chrono::duration<double>(uptimeNow().time_since_epoch()).count();
    }
};

// now + after without overflow: far deadlines saturate at the latest time.
inline Clock::UptimePoint saturatingDeadline(Clock::UptimePoint now,
                                             std::chrono::nanoseconds after) {
    if (after <= std::chrono::nanoseconds::zero())
        return now;
    if (after >= Clock::UptimePoint::max() - now)
        return Clock::UptimePoint::max();
    return now + after;
}

} // namespace lumra
