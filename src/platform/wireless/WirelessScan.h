// The networks of one scan, in the kernel's order, and where they came from.
#pragma once

#include "platform/wireless/WirelessNetwork.h"

#include <vector>

namespace lumra {

enum class WirelessScanSource {
    // A scan this call triggered finished.
    freshScan,
    // The kernel refused a scan (not permitted, or another scan was running),
    // aborted it or did not finish it in time: its cached results.
    cachedResults,
};

struct WirelessScan {
    std::vector<WirelessNetwork> networks;
    WirelessScanSource source;

    bool operator==(const WirelessScan&) const = default;
};

} // namespace lumra
