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
    const TimerId id = m_nextSequence++;
    m_timers.emplace(Key{saturatingDeadline(m_now, after), id}, Timer{id, std::move(fn)});
    return id;
}

bool VirtualClock::cancel(TimerId id) {
    Job dropped; // destroyed outside the lock
    std::lock_guard lock(m_mutex);
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.id == id) {
            dropped = std::move(it->second.fn);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

std::optional<Clock::UptimePoint> VirtualClock::nextDeadline() const {
    std::lock_guard lock(m_mutex);
    if (m_timers.empty())
        return std::nullopt;
    return m_timers.begin()->first.first;
}

bool VirtualClock::fireNext(UptimePoint limit) {
    Job fn;
    {
        std::lock_guard lock(m_mutex);
        if (m_timers.empty() || m_timers.begin()->first.first > limit)
            return false;
        auto it = m_timers.begin();
        if (it->first.first > m_now)
            m_now = it->first.first;
        fn = std::move(it->second.fn);
        m_timers.erase(it);
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
