// One ping measurement of one target.
#pragma once

#include "model/PingTarget.h"

#include <chrono>
#include <optional>

namespace lumra {

struct PingResult {
    PingTarget target;
    std::chrono::system_clock::time_point timestamp;
    std::optional<double> latencyMilliseconds;
    std::optional<double> jitterMilliseconds;
    double packetLossPercent;
    bool didSucceed;

    bool operator==(const PingResult&) const = default;
};

} // namespace lumra
