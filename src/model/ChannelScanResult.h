// Outcome of one multi-pass channel scan.
#pragma once

#include "model/ChannelCongestionSample.h"
#include "model/WiFiBand.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumra {

struct ChannelScanResult {
    std::chrono::system_clock::time_point timestamp;
    std::int64_t passCount;
    std::int64_t scannedNetworkCount;
    // Order matters to equality: it is the order the scan ranks them in.
    std::vector<ChannelCongestionSample> channels;
    std::optional<std::int64_t> currentChannelNumber;
    std::optional<WiFiBand> currentBand;
    std::optional<double> currentChannelInterferenceScore;
    std::optional<std::int64_t> suggestedChannelNumber;
    std::optional<WiFiBand> suggestedBand;
    bool didSucceed;

    bool operator==(const ChannelScanResult&) const = default;
};

} // namespace lumra
