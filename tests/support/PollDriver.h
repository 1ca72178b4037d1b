// Drives a polled monitor on the virtual clock: the first poll at start, then
// one per interval.
#pragma once

#include "concurrency/RunLoop.h"
#include "monitoring/polling/AdaptiveMonitoringControlling.h"

#include <chrono>

namespace lumra::test {

class PollDriver {
public:
    PollDriver(VirtualClockRunLoop& loop, AdaptiveMonitoringControlling& monitor,
               std::chrono::nanoseconds interval = std::chrono::seconds(2))
        : m_loop(loop), m_monitor(monitor), m_interval(interval) {}

    void poll(int count = 1) {
        if (!m_started) {
            m_started = true;
            m_monitor.start();
            m_loop.runUntilIdle();
            --count;
        }
        for (int i = 0; i < count; ++i)
            m_loop.advanceBy(m_interval);
    }

private:
    VirtualClockRunLoop& m_loop;
    AdaptiveMonitoringControlling& m_monitor;
    std::chrono::nanoseconds m_interval;
    bool m_started = false;
};

} // namespace lumra::test
