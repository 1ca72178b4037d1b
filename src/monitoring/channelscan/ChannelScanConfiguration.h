// The constants of one channel scan, fixed by the composition root.
#pragma once

#include <cstdint>

namespace lumra {

struct ChannelScanConfiguration {
    std::int64_t passCount = 3;
    // Seconds between two passes.
    double pauseBetweenPasses = 0.35;

    bool operator==(const ChannelScanConfiguration&) const = default;
};

} // namespace lumra
