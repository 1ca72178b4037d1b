// The ping probe over the allow-listed tools: the router address from
// ipconfig and the routing tables, and ping or ping6 bursts. Immutable; runs
// in the calling task, its tools off the main actor.
#pragma once

#include "probes/ping/PingProbeRunning.h"
#include "probes/runner/CommandRequest.h"
#include "probes/runner/CommandRunning.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumra {

using WiFiInterfaceNameProvider = std::function<std::optional<std::string>()>;

// One ping run. Timeouts of 1 ms or less count as 1 ms, longer than a day as
// a day; a negative grace as 0.
CommandRequest pingCommandLine(const std::string& host, std::int64_t packetCount, double timeout,
                               double gracePeriod);

// Loss from the "packet loss" line, latency and jitter from the summary.
PingProbeMeasurement measurementFromPingOutput(const std::string& standardOutput);

class CommandLinePingProbeRunner final : public PingProbeRunning {
public:
    CommandLinePingProbeRunner(std::shared_ptr<CommandRunning> commandRunner,
                               std::int64_t pingPacketCount, double commandTimeoutGracePeriod,
                               WiFiInterfaceNameProvider wifiInterfaceNameProvider);

    Task<std::optional<std::string>> resolveRouterAddress(double timeout) override;
    // A host that begins with "-" is never run (it would read as an option).
    Task<PingProbeMeasurement> ping(std::string host, double timeout) override;

    const std::shared_ptr<CommandRunning>& commandRunner() const { return m_commandRunner; }
    std::int64_t pingPacketCount() const { return m_pingPacketCount; }
    double commandTimeoutGracePeriod() const { return m_commandTimeoutGracePeriod; }

private:
    const std::shared_ptr<CommandRunning> m_commandRunner;
    const std::int64_t m_pingPacketCount;
    const double m_commandTimeoutGracePeriod;
    const WiFiInterfaceNameProvider m_wifiInterfaceNameProvider;
};

} // namespace lumra
