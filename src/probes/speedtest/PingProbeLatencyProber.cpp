#include "probes/speedtest/PingProbeLatencyProber.h"

#include <cmath>

namespace lumra {

Task<std::optional<double>> PingProbeLatencyProber::measureLatency(std::string host,
                                                                   double timeout) {
    const PingProbeMeasurement measurement =
        co_await m_pingProbeRunner->ping(std::move(host), timeout);
    // A non-finite reading would poison the median's sort and every mean.
    if (!measurement.didSucceed || !measurement.latencyMilliseconds ||
        !std::isfinite(*measurement.latencyMilliseconds))
        co_return std::nullopt;
    co_return measurement.latencyMilliseconds;
}

} // namespace lumra
