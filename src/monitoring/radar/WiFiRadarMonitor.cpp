#include "monitoring/radar/WiFiRadarMonitor.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Runtime.h"
#include "monitoring/polling/BoundedHistory.h"
#include "monitoring/radar/PauseDuration.h"
#include "monitoring/wifi/WiFiReadingRules.h"

#include <chrono>

namespace lumra {

std::shared_ptr<WiFiRadarMonitor>
WiFiRadarMonitor::create(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
                         std::shared_ptr<SleepProviding> sleeper, double pollInterval,
                         std::size_t maxHistorySampleCount, DateProvider dateProvider) {
    return std::shared_ptr<WiFiRadarMonitor>(
        new WiFiRadarMonitor(std::move(interfaceProvider), std::move(sleeper), pollInterval,
                             maxHistorySampleCount, std::move(dateProvider)));
}

WiFiRadarMonitor::WiFiRadarMonitor(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
                                   std::shared_ptr<SleepProviding> sleeper, double pollInterval,
                                   std::size_t maxHistorySampleCount, DateProvider dateProvider)
    : m_pollInterval(pollInterval), m_maxHistorySampleCount(maxHistorySampleCount),
      m_interfaceProvider(std::move(interfaceProvider)), m_sleeper(std::move(sleeper)),
      m_dateProvider(std::move(dateProvider)) {}

WiFiRadarMonitor::~WiFiRadarMonitor() {
    if (m_pollingTask)
        m_pollingTask->cancel();
}

void WiFiRadarMonitor::start() {
    if (m_pollingTask)
        return;
    std::weak_ptr<WiFiRadarMonitor> weakSelf = weak_from_this();
    m_pollingTask = spawn(mainActor(), [weakSelf] { return runPollingLoop(weakSelf); });
}

bool WiFiRadarMonitor::pollIfAlive(const std::weak_ptr<WiFiRadarMonitor>& weakSelf) {
    auto self = weakSelf.lock();
    if (!self)
        return false;
    self->pollOnce();
    return true;
}

Task<void> WiFiRadarMonitor::runPollingLoop(std::weak_ptr<WiFiRadarMonitor> weakSelf) {
    if (!pollIfAlive(weakSelf))
        co_return;
    while (!isCancelled()) {
        std::chrono::nanoseconds pause{};
        {
            auto self = weakSelf.lock();
            if (!self)
                co_return;
            pause = pauseDuration(self->m_pollInterval);
        }
        // Nothing holds the monitor during the pause, so a window that lets
        // its feed go ends the loop here.
        try {
            co_await sleepFor(pause);
        } catch (const CancellationError&) {
            co_return;
        }
        if (isCancelled() || !pollIfAlive(weakSelf))
            co_return;
    }
}

void WiFiRadarMonitor::pollOnce() {
    const std::optional<WiFiInterfaceSnapshot> reading = m_interfaceProvider->currentSnapshot();
    if (!reading || !isConnectedReading(*reading)) {
        m_isConnected.set(false);
        m_latestSnapshot.set(std::nullopt);
        m_history.set({});
        return;
    }
    WiFiSnapshot snapshot = snapshotOfReading(*reading, m_dateProvider(),
                                              /*ipAddress=*/std::nullopt, /*isVPNActive=*/false);
    m_isConnected.set(true);
    m_latestSnapshot.set(snapshot);
    appendBoundedHistory(m_history, std::move(snapshot), m_maxHistorySampleCount);
}

} // namespace lumra
