// What one ping run told: average and deviation of the round trips, the loss,
// and whether the summary could be read.
#pragma once

#include <optional>

namespace lumra {

struct PingProbeMeasurement {
    std::optional<double> latencyMilliseconds;
    std::optional<double> jitterMilliseconds;
    double packetLossPercent;
    bool didSucceed;

    bool operator==(const PingProbeMeasurement&) const = default;

    // Wherever a ping cannot be run or read.
    static PingProbeMeasurement failed() { return {std::nullopt, std::nullopt, 100, false}; }
};

} // namespace lumra
