// A clock that moves only when told to. Timers fire in deadline order, FIFO on
// equal deadlines, on the thread that advances the clock.
#pragma once

#include "concurrency/Clock.h"
#include "concurrency/TimerQueue.h"

#include <mutex>
#include <optional>

namespace lumra {

class VirtualClock final : public Clock {
public:
    VirtualClock();

    std::chrono::system_clock::time_point wallNow() const override;
    UptimePoint uptimeNow() const override;
    TimerId schedule(std::chrono::nanoseconds after, Job fn) override;
    bool cancel(TimerId id) override;

    std::optional<UptimePoint> nextDeadline() const;
    // Moves time to `to` (never backwards) and runs the timers due by then,
    // in order. Returns how many ran.
    std::size_t advanceTo(UptimePoint to);
    // Runs the earliest timer (and moves time to it) if it is due by `limit`.
    bool fireNext(UptimePoint limit);

private:
    mutable std::mutex m_mutex;
    const std::chrono::system_clock::time_point m_wallOrigin;
    const UptimePoint m_uptimeOrigin;
    UptimePoint m_now;
    TimerQueue<UptimePoint> m_timers;
};

} // namespace lumra
