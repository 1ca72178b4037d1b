// What the five polled monitors share: observability, the monitor side of
// AdaptiveMonitoringControlling over their polling loop, and the poll action
// that holds the monitor weakly (and strongly for the length of one poll).
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Task.h"
#include "monitoring/polling/AdaptiveMonitoringControlling.h"
#include "monitoring/polling/MonitorPolling.h"

#include <chrono>
#include <functional>
#include <memory>

namespace lumra {

using DateProvider = std::function<std::chrono::system_clock::time_point()>;

class PolledMonitor : public ObservableObject, public AdaptiveMonitoringControlling {
public:
    void start() override { m_polling.start(); }
    void stop() override { m_polling.stop(); }
    void setPollInterval(double seconds) override { m_polling.setPollInterval(seconds); }
    void refreshNow() override { m_polling.refreshNow(); }

    double pollInterval() const { return m_polling.pollInterval(); }
    const MonitorPolling& polling() const { return m_polling; }

protected:
    PolledMonitor(std::shared_ptr<SleepProviding> sleeper, double pollInterval)
        : m_polling(std::move(sleeper), pollInterval) {}

    // What each monitor's create() does: construct it owned, then bind its
    // poll (weak_from_this is empty inside a constructor).
    template <class Monitor, class... Args>
    static std::shared_ptr<Monitor> makeBound(Args&&... args) {
        std::shared_ptr<Monitor> monitor(new Monitor(std::forward<Args>(args)...));
        bindPoll(monitor);
        return monitor;
    }

    template <class Monitor> static void bindPoll(const std::shared_ptr<Monitor>& monitor) {
        std::weak_ptr<Monitor> weak = monitor;
        monitor->m_polling.setPoll([weak]() -> Task<void> {
            if (auto self = weak.lock())
                co_await self->pollOnce();
        });
    }

private:
    MonitorPolling m_polling;
};

} // namespace lumra
