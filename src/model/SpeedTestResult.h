// Outcome of one speed test, with its loaded-latency (bufferbloat) figures.
#pragma once

#include "model/BufferbloatGrade.h"

#include <chrono>
#include <optional>

namespace lumra {

struct SpeedTestResult {
    std::chrono::system_clock::time_point timestamp;
    double downloadMbps;
    double uploadMbps;
    std::optional<double> baselineLatencyMilliseconds;
    std::optional<double> downloadLoadedLatencyMilliseconds;
    std::optional<double> uploadLoadedLatencyMilliseconds;
    // Loaded latency divided by the baseline.
    std::optional<double> downloadBufferbloatRatio;
    std::optional<double> uploadBufferbloatRatio;
    std::optional<BufferbloatGrade> downloadBufferbloatGrade;
    std::optional<BufferbloatGrade> uploadBufferbloatGrade;
    bool didSucceed;

    bool operator==(const SpeedTestResult&) const = default;
};

} // namespace lumra
