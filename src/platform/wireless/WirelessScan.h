// The networks of one scan, in the kernel's order, and where they came from.
#pragma once

#include "platform/wireless/WirelessNetwork.h"

#include <vector>

namespace lumra {

enum class WirelessScanSource {
    // A scan that ended during this call: one it triggered, joined or had
    // the network service run.
    freshScan,
    // No scan could be had (not permitted and no service would), or it was
    // aborted or not done in time: the kernel's cached results.
    cachedResults,
};

struct WirelessScan {
    std::vector<WirelessNetwork> networks;
    WirelessScanSource source;

    bool operator==(const WirelessScan&) const = default;
};

} // namespace lumra
