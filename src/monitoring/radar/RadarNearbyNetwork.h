// One entry of the radar window's nearby-network list, and the merge of a
// scan into that list. Pure; any thread.
#pragma once

#include "model/WiFiBand.h"
#include "probes/wifi/WiFiScannedNetwork.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumra {

struct RadarNearbyNetwork {
    // The BSSID; without one "Hidden-<channel>|<signal>".
    std::string id;
    // The network name; without one "Hidden-<channel>".
    std::string ssid;
    std::int64_t signalDbm;
    std::int64_t channelNumber;
    WiFiBand band;

    bool operator==(const RadarNearbyNetwork&) const = default;
};

// One entry per access point (by BSSID), or per name, channel and band for
// networks without one, keeping the strongest reading (the earlier on a tie);
// strongest first, ties in scan order.
std::vector<RadarNearbyNetwork>
makeRadarNearbyNetworks(const std::vector<WiFiScannedNetwork>& networks);

} // namespace lumra
