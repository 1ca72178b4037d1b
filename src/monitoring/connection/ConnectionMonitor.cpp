#include "monitoring/connection/ConnectionMonitor.h"

#include "concurrency/Cancellation.h"
#include "monitoring/polling/BoundedHistory.h"

namespace lumra {

std::shared_ptr<ConnectionMonitor>
ConnectionMonitor::create(std::shared_ptr<TCPConnectionCounting> connectionCounter,
                          std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                          Configuration configuration) {
    return makeBound<ConnectionMonitor>(std::move(connectionCounter), std::move(sleeper),
                                        std::move(dateProvider), configuration);
}

ConnectionMonitor::ConnectionMonitor(std::shared_ptr<TCPConnectionCounting> connectionCounter,
                                     std::shared_ptr<SleepProviding> sleeper,
                                     DateProvider dateProvider, Configuration configuration)
    : PolledMonitor(std::move(sleeper), configuration.pollInterval),
      m_maxHistorySampleCount(configuration.maxHistorySampleCount),
      m_commandTimeout(configuration.commandTimeout),
      m_connectionCounter(std::move(connectionCounter)), m_dateProvider(std::move(dateProvider)) {}

void ConnectionMonitor::resetTransientState() {
    m_latestResult.set(std::nullopt);
    m_history.set({});
    m_connectionQuality.set(SignalQuality::poor);
    m_lastErrorMessage.set(std::nullopt);
}

SignalQuality ConnectionMonitor::connectionPressureQuality(const TCPConnectionStateCounts& counts) {
    const std::int64_t waiting = counts.timeWait + counts.closeWait;
    const std::int64_t total = counts.established + waiting;
    if (total > 800 || waiting > 400)
        return SignalQuality::poor;
    if (total >= 500 || waiting >= 200)
        return SignalQuality::warning;
    return SignalQuality::good;
}

Task<void> ConnectionMonitor::pollOnce() {
    const TCPConnectionCountOutcome outcome =
        co_await m_connectionCounter->countConnections(m_commandTimeout);
    // A stop cut the count short: its failure is not the machine's.
    if (isCancelled())
        co_return;
    if (!outcome.didSucceed || !outcome.counts) {
        m_lastErrorMessage.set(std::string(failureMessage));
        co_return;
    }
    const SignalQuality quality = connectionPressureQuality(*outcome.counts);
    ConnectionPressureResult result{m_dateProvider(), *outcome.counts, quality};
    m_latestResult.set(result);
    m_connectionQuality.set(quality);
    appendBoundedHistory(m_history, std::move(result), m_maxHistorySampleCount);
    m_lastErrorMessage.set(std::nullopt);
}

} // namespace lumra
