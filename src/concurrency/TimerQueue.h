// Pending one-shot timers in deadline order, first come first served among
// equal deadlines: the store under both the I/O thread's timers and the
// virtual clock's. It takes no lock; its owner holds its own around every
// call and runs or destroys the jobs it hands back outside that lock.
#pragma once

#include "concurrency/Job.h"

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace lumra {

template <class TimePoint> class TimerQueue {
public:
    using TimerId = std::uint64_t;

    TimerId add(TimePoint deadline, Job fn) {
        const TimerId id = m_nextId++;
        m_timers.emplace(Key{deadline, id}, std::move(fn));
        return id;
    }

    // The job of a timer that had not fired yet, which now never will;
    // empty when there is none.
    Job cancel(TimerId id) {
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->first.second == id) {
                Job dropped = std::move(it->second);
                m_timers.erase(it);
                return dropped;
            }
        }
        return Job();
    }

    std::optional<TimePoint> nextDeadline() const {
        if (m_timers.empty())
            return std::nullopt;
        return m_timers.begin()->first.first;
    }

    // The earliest timer, removed, when it is due by limit.
    std::optional<std::pair<TimePoint, Job>> takeDue(TimePoint limit) {
        if (m_timers.empty() || m_timers.begin()->first.first > limit)
            return std::nullopt;
        auto node = m_timers.extract(m_timers.begin());
        return std::pair<TimePoint, Job>(node.key().first, std::move(node.mapped()));
    }

private:
    // The id also orders equal deadlines: ids only grow.
    using Key = std::pair<TimePoint, TimerId>;
    std::map<Key, Job> m_timers;
    TimerId m_nextId = 1;
};

} // namespace lumra
