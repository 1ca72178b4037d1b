// The speed test's latency reading: one run of the ping probe. Runs in the
// calling task; the tool off the main actor.
#pragma once

#include "probes/ping/PingProbeRunning.h"
#include "probes/speedtest/SpeedTestLatencyProbing.h"

#include <memory>

namespace lumra {

class PingProbeLatencyProber final : public SpeedTestLatencyProbing {
public:
    explicit PingProbeLatencyProber(std::shared_ptr<PingProbeRunning> pingProbeRunner)
        : m_pingProbeRunner(std::move(pingProbeRunner)) {}

    // The ping's latency when the ping succeeded and gave a finite one.
    Task<std::optional<double>> measureLatency(std::string host, double timeout) override;

    const std::shared_ptr<PingProbeRunning>& pingProbeRunner() const { return m_pingProbeRunner; }

private:
    const std::shared_ptr<PingProbeRunning> m_pingProbeRunner;
};

} // namespace lumra
