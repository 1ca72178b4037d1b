// The router address and short ICMP bursts, as the ping monitor and the speed
// test's latency prober ask for them. Never throws.
#pragma once

#include "concurrency/Task.h"
#include "probes/ping/PingProbeMeasurement.h"

#include <optional>
#include <string>

namespace lumra {

class PingProbeRunning {
public:
    virtual ~PingProbeRunning() = default;
    virtual Task<std::optional<std::string>> resolveRouterAddress(double timeout) = 0;
    virtual Task<PingProbeMeasurement> ping(std::string host, double timeout) = 0;
};

} // namespace lumra
