#include "monitoring/ping/PingMonitor.h"

#include "concurrency/Cancellation.h"
#include "concurrency/WhenAll.h"
#include "model/UnicodeText.h"
#include "monitoring/polling/BoundedHistory.h"

namespace lumra {

std::shared_ptr<PingMonitor> PingMonitor::create(std::shared_ptr<PingProbeRunning> pingProbeRunner,
                                                 std::shared_ptr<SleepProviding> sleeper,
                                                 DateProvider dateProvider,
                                                 Configuration configuration) {
    return makeBound<PingMonitor>(std::move(pingProbeRunner), std::move(sleeper),
                                  std::move(dateProvider), std::move(configuration));
}

PingMonitor::PingMonitor(std::shared_ptr<PingProbeRunning> pingProbeRunner,
                         std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                         Configuration configuration)
    : PolledMonitor(std::move(sleeper), configuration.pollInterval),
      m_internetTarget(std::move(configuration.internetTarget)),
      m_maxHistorySampleCount(configuration.maxHistorySampleCount),
      m_commandTimeout(configuration.commandTimeout),
      m_routerIgnoreFailureThreshold(configuration.routerIgnoreFailureThreshold),
      m_pingProbeRunner(std::move(pingProbeRunner)), m_dateProvider(std::move(dateProvider)) {}

void PingMonitor::resetTransientState() {
    m_routerIPAddress.set(std::nullopt);
    m_routerResult.set(std::nullopt);
    m_internetResult.set(std::nullopt);
    m_routerHistory.set({});
    m_internetHistory.set({});
    m_consecutiveRouterFailures = 0;
    m_isRouterIgnored.set(false);
}

void PingMonitor::setInternetTarget(const std::string& target) {
    std::string trimmed = trimmedWhitespaceAndNewlines(target);
    if (!trimmed.empty())
        m_internetTarget = std::move(trimmed);
}

PingResult PingMonitor::resultOf(PingTarget target, std::chrono::system_clock::time_point timestamp,
                                 const PingProbeMeasurement& measurement) const {
    return PingResult{target,
                      timestamp,
                      measurement.latencyMilliseconds,
                      measurement.jitterMilliseconds,
                      measurement.packetLossPercent,
                      measurement.didSucceed};
}

// The target is read when this child starts, not when the poll began.
Task<PingProbeMeasurement> PingMonitor::pingInternet() {
    co_return co_await m_pingProbeRunner->ping(m_internetTarget, m_commandTimeout);
}

// The poll action keeps the monitor alive for the length of one poll.
Task<void> PingMonitor::pollOnce() {
    const auto timestamp = m_dateProvider();
    const std::optional<std::string> router =
        co_await m_pingProbeRunner->resolveRouterAddress(m_commandTimeout);
    // A stop cut the poll short: its tools' answers describe the stop, not
    // the network, so nothing of them is published.
    if (isCancelled())
        co_return;
    m_routerIPAddress.set(router);
    if (!router) {
        const PingProbeMeasurement measurement = co_await pingInternet();
        if (isCancelled())
            co_return;
        PingResult internet = resultOf(PingTarget::internet, timestamp, measurement);
        m_routerResult.set(std::nullopt);
        m_internetResult.set(internet);
        appendBoundedHistory(m_internetHistory, std::move(internet), m_maxHistorySampleCount);
        m_consecutiveRouterFailures = 0;
        m_isRouterIgnored.set(false);
        co_return;
    }
    auto routerPing = m_pingProbeRunner->ping(*router, m_commandTimeout);
    auto internetPing = pingInternet();
    const auto [routerMeasurement, internetMeasurement] =
        co_await whenAll(std::move(routerPing), std::move(internetPing));
    if (isCancelled())
        co_return;
    PingResult routerResult = resultOf(PingTarget::router, timestamp, routerMeasurement);
    PingResult internetResult = resultOf(PingTarget::internet, timestamp, internetMeasurement);
    m_routerResult.set(routerResult);
    m_internetResult.set(internetResult);
    appendBoundedHistory(m_routerHistory, routerResult, m_maxHistorySampleCount);
    appendBoundedHistory(m_internetHistory, internetResult, m_maxHistorySampleCount);
    updateRouterIgnoreState(routerResult, internetResult);
}

void PingMonitor::updateRouterIgnoreState(const PingResult& router, const PingResult& internet) {
    if (internet.didSucceed && !router.didSucceed) {
        ++m_consecutiveRouterFailures;
        if (m_consecutiveRouterFailures >= m_routerIgnoreFailureThreshold)
            m_isRouterIgnored.set(true);
        return;
    }
    m_consecutiveRouterFailures = 0;
    m_isRouterIgnored.set(false);
}

} // namespace lumra
