// The part of AdaptiveMonitoringControlling that the five polled monitors
// share: the poll interval, the sleeper and the loop, created on first use.
// A monitor owns one and stops it when it goes away, so a destroyed monitor
// leaves no loop running.
#pragma once

#include "monitoring/polling/InterruptiblePollingLoop.h"

#include <functional>
#include <memory>

namespace lumra {

class MonitorPolling {
public:
    MonitorPolling(std::shared_ptr<SleepProviding> sleeper, double pollInterval)
        : m_sleeper(std::move(sleeper)), m_pollInterval(pollInterval) {}
    ~MonitorPolling() {
        if (m_loop)
            m_loop->stopPolling();
    }
    MonitorPolling(const MonitorPolling&) = delete;
    MonitorPolling& operator=(const MonitorPolling&) = delete;

    // The monitor's poll; it should hold the monitor weakly.
    void setPoll(InterruptiblePollingLoop::Poll poll) { m_poll = std::move(poll); }

    void start() { loop().start(); }
    void stop() { loop().stopPolling(); }
    void setPollInterval(double seconds) {
        m_pollInterval = seconds > 0 ? seconds : 0;
        loop().setPollInterval(m_pollInterval);
    }
    void refreshNow() { loop().refreshNow(); }

    double pollInterval() const noexcept { return m_pollInterval; }
    const std::shared_ptr<SleepProviding>& sleeper() const noexcept { return m_sleeper; }
    // Null until the first start, stop, re-timing or refresh.
    const InterruptiblePollingLoop* pollingLoop() const noexcept { return m_loop.get(); }

private:
    InterruptiblePollingLoop& loop() {
        if (!m_loop)
            m_loop = InterruptiblePollingLoop::create(m_sleeper, m_poll, m_pollInterval);
        return *m_loop;
    }

    std::shared_ptr<SleepProviding> m_sleeper;
    double m_pollInterval;
    InterruptiblePollingLoop::Poll m_poll;
    std::shared_ptr<InterruptiblePollingLoop> m_loop;
};

} // namespace lumra
