// What the five polled monitors share (main actor): observability, and the
// monitor side of AdaptiveMonitoringControlling over one polling loop, which
// alone keeps the poll interval. The loop's poll holds the monitor weakly
// (strongly for the length of one poll), and a monitor stops its loop when it
// goes away, so a destroyed monitor leaves no loop running.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Task.h"
#include "monitoring/polling/AdaptiveMonitoringControlling.h"
#include "monitoring/polling/InterruptiblePollingLoop.h"

#include <cassert>
#include <chrono>
#include <functional>
#include <memory>

namespace lumra {

using DateProvider = std::function<std::chrono::system_clock::time_point()>;

class PolledMonitor : public ObservableObject, public AdaptiveMonitoringControlling {
public:
    ~PolledMonitor() override { m_loop->stopPolling(); }
    PolledMonitor(const PolledMonitor&) = delete;
    PolledMonitor& operator=(const PolledMonitor&) = delete;

    void start() override { m_loop->start(); }
    // A poll in progress runs to its end but publishes nothing: its tools
    // were ended, and their failures say nothing of the network.
    void stop() override { m_loop->stopPolling(); }
    // A negative interval (or NaN) is stored as 0.
    void setPollInterval(double seconds) override { m_loop->setPollInterval(seconds); }
    void refreshNow() override { m_loop->refreshNow(); }

    double pollInterval() const { return m_loop->pollInterval(); }
    const InterruptiblePollingLoop& pollingLoop() const { return *m_loop; }

protected:
    PolledMonitor(std::shared_ptr<SleepProviding> sleeper, double pollInterval)
        : m_loop(InterruptiblePollingLoop::create(std::move(sleeper), boundPollOf(m_boundPoll),
                                                  pollInterval)) {}

    // What each monitor's create() does: construct it owned, then bind its
    // pollOnce() (weak_from_this is empty inside a constructor).
    template <class Monitor, class... Args>
    static std::shared_ptr<Monitor> makeBound(Args&&... args) {
        std::shared_ptr<Monitor> monitor(new Monitor(std::forward<Args>(args)...));
        std::weak_ptr<Monitor> weak = monitor;
        *monitor->m_boundPoll = [weak]() -> Task<void> {
            if (auto self = weak.lock())
                co_await self->pollOnce();
        };
        return monitor;
    }

private:
    using Poll = InterruptiblePollingLoop::Poll;

    // The loop is made before the monitor is owned; it reaches the poll bound
    // later through this slot.
    static Poll boundPollOf(const std::shared_ptr<Poll>& slot) {
        return [slot] {
            assert(*slot && "a polled monitor is made by makeBound");
            return (*slot)();
        };
    }

    const std::shared_ptr<Poll> m_boundPoll = std::make_shared<Poll>();
    const std::shared_ptr<InterruptiblePollingLoop> m_loop;
};

} // namespace lumra
