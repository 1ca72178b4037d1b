// One latency reading for the speed test's baseline and loaded-latency
// samples. Never throws: any failure is no latency.
#pragma once

#include "concurrency/Task.h"

#include <optional>
#include <string>

namespace lumra {

class SpeedTestLatencyProbing {
public:
    virtual ~SpeedTestLatencyProbing() = default;
    // Milliseconds, or none.
    virtual Task<std::optional<double>> measureLatency(std::string host, double timeout) = 0;
};

} // namespace lumra
