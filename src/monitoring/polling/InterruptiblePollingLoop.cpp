#include "monitoring/polling/InterruptiblePollingLoop.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Runtime.h"

#include <algorithm>

namespace lumra {

namespace {

double nonNegative(double seconds) {
    return std::max(0.0, seconds);
} // NaN becomes 0 too

} // namespace

std::shared_ptr<InterruptiblePollingLoop>
InterruptiblePollingLoop::create(std::shared_ptr<SleepProviding> sleeper, Poll poll,
                                 double pollInterval) {
    return std::shared_ptr<InterruptiblePollingLoop>(
        new InterruptiblePollingLoop(std::move(sleeper), std::move(poll), pollInterval));
}

InterruptiblePollingLoop::InterruptiblePollingLoop(std::shared_ptr<SleepProviding> sleeper,
                                                   Poll poll, double pollInterval)
    : m_sleeper(std::move(sleeper)), m_poll(std::move(poll)),
      m_pollInterval(nonNegative(pollInterval)) {}

InterruptiblePollingLoop::~InterruptiblePollingLoop() {
    if (m_sleepTask)
        m_sleepTask->cancel();
    if (m_pollingTask)
        m_pollingTask->cancel();
}

void InterruptiblePollingLoop::start() {
    if (m_pollingTask)
        return;
    m_pendingImmediatePoll = false;
    std::weak_ptr<InterruptiblePollingLoop> weakSelf = weak_from_this();
    m_pollingTask = spawn(mainActor(), [weakSelf] { return run(weakSelf); });
}

void InterruptiblePollingLoop::stopPolling() {
    if (m_sleepTask)
        m_sleepTask->cancel();
    m_sleepTask.reset();
    if (m_pollingTask)
        m_pollingTask->cancel();
    m_pollingTask.reset();
    m_pendingImmediatePoll = false;
}

void InterruptiblePollingLoop::setPollInterval(double seconds) {
    m_pollInterval = nonNegative(seconds);
    if (m_sleepTask)
        m_sleepTask->cancel();
}

void InterruptiblePollingLoop::refreshNow() {
    m_pendingImmediatePoll = true;
    if (m_sleepTask)
        m_sleepTask->cancel();
}

Task<bool> InterruptiblePollingLoop::pollOnce(std::weak_ptr<InterruptiblePollingLoop> weakSelf) {
    Poll poll;
    {
        auto self = weakSelf.lock();
        if (!self)
            co_return false;
        poll = self->m_poll; // lives in this frame for the whole poll
    }
    co_await poll();
    co_return true;
}

Task<void> InterruptiblePollingLoop::run(std::weak_ptr<InterruptiblePollingLoop> weakSelf) {
    const bool polled = co_await pollOnce(weakSelf);
    if (!polled)
        co_return;
    for (;;) {
        if (isCancelled())
            co_return;
        std::optional<TaskHandle<void>> wait;
        {
            auto self = weakSelf.lock();
            if (!self)
                co_return;
            auto sleeper = self->m_sleeper;
            const double interval = self->m_pollInterval;
            wait =
                spawn(mainActor(), [sleeper, interval] { return sleeper->sleepSeconds(interval); });
            self->m_sleepTask = wait;
        }
        bool waitedInFull = true;
        try {
            co_await wait->value();
        } catch (const CancellationError&) {
            waitedInFull = false; // cut short to poll now, or stopped
        } catch (...) {
            LUMRA_LOG_CAUGHT("polling", "the wait between polls failed");
            waitedInFull = false;
        }
        bool pollNow = waitedInFull;
        {
            auto self = weakSelf.lock();
            if (!self)
                co_return;
            // A stop and a start during the wait gave the new run a wait of its
            // own, which must stay.
            if (self->m_sleepTask == wait)
                self->m_sleepTask.reset();
            if (isCancelled())
                co_return;
            if (self->m_pendingImmediatePoll) {
                self->m_pendingImmediatePoll = false;
                pollNow = true;
            }
        }
        // Cut short without a refresh: a new wait of the current interval.
        if (!pollNow)
            continue;
        const bool polledAgain = co_await pollOnce(weakSelf);
        if (!polledAgain)
            co_return;
    }
}

} // namespace lumra
