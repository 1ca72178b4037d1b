// One captive-portal check per poll (main actor): the latest status, a bounded
// history, the portal flag and address, and a sentence when a check fails.
#pragma once

#include "model/CaptivePortalStatus.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/captive/CaptivePortalProbe.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class CaptivePortalMonitor final : public PolledMonitor {
public:
    struct Configuration {
        double pollInterval = 2.0;
        std::size_t maxHistorySampleCount = 60;
        double commandTimeout = 3.5;
    };

    static constexpr const char* failureMessage = "Captive portal check failed.";

    static std::shared_ptr<CaptivePortalMonitor>
    create(std::shared_ptr<CaptivePortalChecking> checker, std::shared_ptr<SleepProviding> sleeper,
           DateProvider dateProvider, Configuration configuration);

    void resetTransientState() override;

    std::size_t maxHistorySampleCount() const { return m_maxHistorySampleCount; }
    double commandTimeout() const { return m_commandTimeout; }
    const std::shared_ptr<CaptivePortalChecking>& checker() const { return m_checker; }

    const Published<std::optional<CaptivePortalStatus>>& latestStatus() const {
        return m_latestStatus;
    }
    const Published<std::vector<CaptivePortalStatus>>& history() const { return m_history; }
    const Published<bool>& isCaptivePortal() const { return m_isCaptivePortal; }
    const Published<std::optional<Url>>& portalURL() const { return m_portalURL; }
    const Published<std::optional<std::string>>& lastErrorMessage() const {
        return m_lastErrorMessage;
    }

private:
    friend class PolledMonitor;
    CaptivePortalMonitor(std::shared_ptr<CaptivePortalChecking> checker,
                         std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                         Configuration configuration);
    Task<void> pollOnce();

    Published<std::optional<CaptivePortalStatus>> m_latestStatus{std::nullopt, this};
    Published<std::vector<CaptivePortalStatus>> m_history{{}, this};
    Published<bool> m_isCaptivePortal{false, this};
    Published<std::optional<Url>> m_portalURL{std::nullopt, this};
    Published<std::optional<std::string>> m_lastErrorMessage{std::nullopt, this};

    const std::size_t m_maxHistorySampleCount;
    const double m_commandTimeout;
    const std::shared_ptr<CaptivePortalChecking> m_checker;
    const DateProvider m_dateProvider;
};

} // namespace lumra
