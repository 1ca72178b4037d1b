// Poll, wait, poll again, on the main actor, with a wait that can be cut short:
// a new interval restarts the wait from zero without polling, a refresh polls
// at once. The wait is a task of its own, so cutting it short leaves the loop
// running.
#pragma once

#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "concurrency/Task.h"

#include <functional>
#include <memory>
#include <optional>

namespace lumra {

class InterruptiblePollingLoop : public std::enable_shared_from_this<InterruptiblePollingLoop> {
public:
    using Poll = std::function<Task<void>()>;

    // A negative interval is stored as 0.
    static std::shared_ptr<InterruptiblePollingLoop> create(std::shared_ptr<SleepProviding> sleeper,
                                                            Poll poll, double pollInterval);
    ~InterruptiblePollingLoop();
    InterruptiblePollingLoop(const InterruptiblePollingLoop&) = delete;
    InterruptiblePollingLoop& operator=(const InterruptiblePollingLoop&) = delete;

    // Polls at once and keeps going until stopPolling(); nothing when running.
    void start();
    // A poll in progress completes; no later one starts.
    void stopPolling();
    // Applies to the wait in progress at once; triggers no poll.
    void setPollInterval(double seconds);
    // Polls at once when waiting; during a poll, after the next full wait.
    void refreshNow();

    double pollInterval() const noexcept { return m_pollInterval; }
    bool isRunning() const noexcept { return m_pollingTask.has_value(); }
    bool isWaiting() const noexcept { return m_sleepTask.has_value(); }
    bool pendingImmediatePoll() const noexcept { return m_pendingImmediatePoll; }

private:
    InterruptiblePollingLoop(std::shared_ptr<SleepProviding> sleeper, Poll poll,
                             double pollInterval);

    // The run holds the loop weakly, so releasing the loop ends it.
    static Task<void> run(std::weak_ptr<InterruptiblePollingLoop> weakSelf);
    static Task<bool> pollOnce(std::weak_ptr<InterruptiblePollingLoop> weakSelf);

    const std::shared_ptr<SleepProviding> m_sleeper;
    const Poll m_poll;
    double m_pollInterval;
    std::optional<TaskHandle<void>> m_pollingTask;
    std::optional<TaskHandle<void>> m_sleepTask;
    bool m_pendingImmediatePoll = false;
};

} // namespace lumra
