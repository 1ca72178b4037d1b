#include "monitoring/captive/CaptivePortalMonitor.h"

#include "concurrency/Cancellation.h"
#include "monitoring/polling/BoundedHistory.h"

namespace lumra {

std::shared_ptr<CaptivePortalMonitor>
CaptivePortalMonitor::create(std::shared_ptr<CaptivePortalChecking> checker,
                             std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                             Configuration configuration) {
    return makeBound<CaptivePortalMonitor>(std::move(checker), std::move(sleeper),
                                           std::move(dateProvider), configuration);
}

CaptivePortalMonitor::CaptivePortalMonitor(std::shared_ptr<CaptivePortalChecking> checker,
                                           std::shared_ptr<SleepProviding> sleeper,
                                           DateProvider dateProvider, Configuration configuration)
    : PolledMonitor(std::move(sleeper), configuration.pollInterval),
      m_maxHistorySampleCount(configuration.maxHistorySampleCount),
      m_commandTimeout(configuration.commandTimeout), m_checker(std::move(checker)),
      m_dateProvider(std::move(dateProvider)) {}

void CaptivePortalMonitor::resetTransientState() {
    m_latestStatus.set(std::nullopt);
    m_history.set({});
    m_isCaptivePortal.set(false);
    m_portalURL.set(std::nullopt);
    m_lastErrorMessage.set(std::nullopt);
}

Task<void> CaptivePortalMonitor::pollOnce() {
    const CaptivePortalDetectionMeasurement measurement =
        co_await m_checker->check(m_commandTimeout);
    // A stop cut the check short: its failure is not the network's.
    if (isCancelled())
        co_return;
    if (!measurement.didSucceed) {
        m_lastErrorMessage.set(std::string(failureMessage));
        co_return;
    }
    CaptivePortalStatus status{m_dateProvider(), measurement.isCaptivePortal, measurement.portalURL,
                               measurement.probeURL, measurement.reason};
    m_latestStatus.set(status);
    m_isCaptivePortal.set(measurement.isCaptivePortal);
    m_portalURL.set(measurement.portalURL);
    appendBoundedHistory(m_history, std::move(status), m_maxHistorySampleCount);
    m_lastErrorMessage.set(std::nullopt);
}

} // namespace lumra
