// A Wi-Fi channel worked out from the frequency the kernel reports. Pure;
// any thread.
#pragma once

#include "model/WiFiBand.h"

#include <cstdint>

namespace lumra {

struct WirelessChannel {
    std::uint32_t frequencyMhz;
    // 0 when the frequency lies on no channel of a known band.
    std::int64_t number;
    WiFiBand band;

    bool operator==(const WirelessChannel&) const = default;
};

// 2.4 GHz (1 to 13 every 5 MHz from 2412, 14 at 2484), 5 GHz (4.9 GHz
// channels 182 to 196 included) and 6 GHz (1 at 5955, 2 at 5935). Anything
// else, the 60 GHz band included, has band unknown.
WirelessChannel channelForFrequency(std::uint32_t frequencyMhz);

} // namespace lumra
