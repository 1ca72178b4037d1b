#include "concurrency/VirtualClock.h"

namespace lumra {

namespace {

// A fixed, arbitrary start keeps test output reproducible: 2026-01-01T00:00:00Z
// and an uptime of 1000 s.
constexpr std::chrono::sys_seconds wallOrigin{std::chrono::seconds{1767225600}};
constexpr auto uptimeOrigin = Clock::UptimePoint{} + std::chrono::seconds{1000};

} // namespace

VirtualClock::VirtualClock()
    : m_wallOrigin(wallOrigin), m_uptimeOrigin(uptimeOrigin), m_now(uptimeOrigin) {}

std::chrono::system_clock::time_point VirtualClock::wallNow() const {
    std::lock_guard lock(m_mutex);
    return m_wallOrigin +
           std::chrono::duration_cast<std::chrono::system_clock::duration>(m_now - m_uptimeOrigin);
}

Clock::UptimePoint VirtualClock::uptimeNow() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

Clock::TimerId VirtualClock::schedule(std::chrono::nanoseconds after, Job fn) {
    std::lock_guard lock(m_mutex);
    return m_timers.add(saturatingDeadline(m_now, after), std::move(fn));
}

bool VirtualClock::cancel(TimerId id) {
    Job dropped; // destroyed outside the lock
    std::lock_guard lock(m_mutex);
    dropped = m_timers.cancel(id);
    return static_cast<bool>(dropped);
}

std::optional<Clock::UptimePoint> VirtualClock::nextDeadline() const {
    std::lock_guard lock(m_mutex);
    return m_timers.nextDeadline();
}

bool VirtualClock::fireNext(UptimePoint limit) {
    Job fn;
    {
        std::lock_guard lock(m_mutex);
        auto due = m_timers.takeDue(limit);
        if (!due)
            return false;
        if (due->first > m_now)
            m_now = due->first;
        fn = std::move(due->second);
    }
    fn();
    return true;
}

std::size_t VirtualClock::advanceTo(UptimePoint to) {
    std::size_t fired = 0;
    while (fireNext(to))
        ++fired;
    std::lock_guard lock(m_mutex);
    if (to > m_now)
        m_now = to;
    return fired;
}

} // namespace lumra
