// Congestion figures of one candidate Wi-Fi channel.
#pragma once

#include "model/WiFiBand.h"

#include <cstdint>

namespace lumra {

struct ChannelCongestionSample {
    std::int64_t channelNumber;
    WiFiBand band;
    std::int64_t networkCount;
    double averageRSSIDbm;
    // Higher is busier.
    double interferenceScore;
    // interferenceScore scaled to 0...1.
    double normalizedCongestion;

    bool operator==(const ChannelCongestionSample&) const = default;
};

} // namespace lumra
