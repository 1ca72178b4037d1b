// Pings the router and the internet target on every poll (main actor),
// publishes both results and their histories, and flags the router as ignored
// while it keeps failing and the internet keeps answering.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Sleep.h"
#include "model/PingResult.h"
#include "monitoring/ping/BuiltInInternetTarget.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/ping/PingProbeRunning.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class PingMonitor final : public PolledMonitor {
public:
    struct Configuration {
        double pollInterval = 2.0;
        std::string internetTarget = builtInInternetTarget;
        std::size_t maxHistorySampleCount = 60;
        double commandTimeout = 1.5;
        int routerIgnoreFailureThreshold = 3;
    };

    static std::shared_ptr<PingMonitor> create(std::shared_ptr<PingProbeRunning> pingProbeRunner,
                                               std::shared_ptr<SleepProviding> sleeper,
                                               DateProvider dateProvider,
                                               Configuration configuration);

    void resetTransientState() override;

    // A blank text is ignored; the next poll uses the new target.
    void setInternetTarget(const std::string& target);

    const Published<std::optional<std::string>>& routerIPAddress() const {
        return m_routerIPAddress;
    }
    const Published<std::optional<PingResult>>& routerResult() const { return m_routerResult; }
    const Published<std::optional<PingResult>>& internetResult() const { return m_internetResult; }
    const Published<std::vector<PingResult>>& routerHistory() const { return m_routerHistory; }
    const Published<std::vector<PingResult>>& internetHistory() const { return m_internetHistory; }
    const Published<bool>& isRouterIgnored() const { return m_isRouterIgnored; }

    const std::string& internetTarget() const { return m_internetTarget; }
    std::size_t maxHistorySampleCount() const { return m_maxHistorySampleCount; }
    double commandTimeout() const { return m_commandTimeout; }
    int routerIgnoreFailureThreshold() const { return m_routerIgnoreFailureThreshold; }
    const std::shared_ptr<PingProbeRunning>& pingProbeRunner() const { return m_pingProbeRunner; }
    int consecutiveRouterFailuresWhileInternetSucceeds() const {
        return m_consecutiveRouterFailures;
    }

private:
    friend class PolledMonitor;
    PingMonitor(std::shared_ptr<PingProbeRunning> pingProbeRunner,
                std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                Configuration configuration);

    Task<void> pollOnce();
    Task<PingProbeMeasurement> pingInternet();
    PingResult resultOf(PingTarget target, std::chrono::system_clock::time_point timestamp,
                        const PingProbeMeasurement& measurement) const;
    void updateRouterIgnoreState(const PingResult& router, const PingResult& internet);

    Published<std::optional<std::string>> m_routerIPAddress{std::nullopt, this};
    Published<std::optional<PingResult>> m_routerResult{std::nullopt, this};
    Published<std::optional<PingResult>> m_internetResult{std::nullopt, this};
    Published<std::vector<PingResult>> m_routerHistory{{}, this};
    Published<std::vector<PingResult>> m_internetHistory{{}, this};
    Published<bool> m_isRouterIgnored{false, this};

    std::string m_internetTarget;
    const std::size_t m_maxHistorySampleCount;
    const double m_commandTimeout;
    const int m_routerIgnoreFailureThreshold;
    const std::shared_ptr<PingProbeRunning> m_pingProbeRunner;
    const DateProvider m_dateProvider;
    int m_consecutiveRouterFailures = 0;
};

} // namespace lumra
