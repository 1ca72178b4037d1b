// Counts TCP connections by state once per poll (main actor) and grades the
// pressure they represent; a failed count publishes a sentence and keeps the
// last good result.
#pragma once

#include "model/ConnectionPressureResult.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/tcp/TCPConnectionCounting.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class ConnectionMonitor final : public PolledMonitor {
public:
    struct Configuration {
        double pollInterval = 2.0;
        std::size_t maxHistorySampleCount = 60;
        double commandTimeout = 1.5;
    };

    static constexpr const char* failureMessage = "Connection monitor failed to read TCP states.";

    static std::shared_ptr<ConnectionMonitor>
    create(std::shared_ptr<TCPConnectionCounting> connectionCounter,
           std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
           Configuration configuration);

    void resetTransientState() override;

    std::size_t maxHistorySampleCount() const { return m_maxHistorySampleCount; }
    double commandTimeout() const { return m_commandTimeout; }
    const std::shared_ptr<TCPConnectionCounting>& connectionCounter() const {
        return m_connectionCounter;
    }

    const Published<std::optional<ConnectionPressureResult>>& latestResult() const {
        return m_latestResult;
    }
    const Published<std::vector<ConnectionPressureResult>>& history() const { return m_history; }
    const Published<SignalQuality>& connectionQuality() const { return m_connectionQuality; }
    const Published<std::optional<std::string>>& lastErrorMessage() const {
        return m_lastErrorMessage;
    }

    static SignalQuality connectionPressureQuality(const TCPConnectionStateCounts& counts);

private:
    friend class PolledMonitor;
    ConnectionMonitor(std::shared_ptr<TCPConnectionCounting> connectionCounter,
                      std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                      Configuration configuration);

    Task<void> pollOnce();

    Published<std::optional<ConnectionPressureResult>> m_latestResult{std::nullopt, this};
    Published<std::vector<ConnectionPressureResult>> m_history{{}, this};
    Published<SignalQuality> m_connectionQuality{SignalQuality::poor, this};
    Published<std::optional<std::string>> m_lastErrorMessage{std::nullopt, this};

    const std::size_t m_maxHistorySampleCount;
    const double m_commandTimeout;
    const std::shared_ptr<TCPConnectionCounting> m_connectionCounter;
    const DateProvider m_dateProvider;
};

} // namespace lumra
