#include "monitoring/radar/RadarNearbyNetwork.h"

#include <algorithm>
#include <fmt/format.h>
#include <unordered_map>

namespace lumra {

namespace {

std::string mergeKey(const WiFiScannedNetwork& network) {
    if (network.bssid)
        return *network.bssid;
    return fmt::format("{}|{}|{}", network.ssid.value_or("hidden"), network.channelNumber,
                       rawValue(network.band));
}

RadarNearbyNetwork makeEntry(const WiFiScannedNetwork& network) {
    return RadarNearbyNetwork{
        network.bssid ? *network.bssid
                      : fmt::format("Hidden-{}|{}", network.channelNumber, network.rssiDbm),
        network.ssid ? *network.ssid : fmt::format("Hidden-{}", network.channelNumber),
        network.rssiDbm,
        network.channelNumber,
        network.band,
    };
}

} // namespace

std::vector<RadarNearbyNetwork>
makeRadarNearbyNetworks(const std::vector<WiFiScannedNetwork>& networks) {
    // First-seen order, so that equal signals keep the scan's order.
    std::vector<const WiFiScannedNetwork*> kept;
    std::unordered_map<std::string, std::size_t> indexByKey;
    for (const WiFiScannedNetwork& network : networks) {
        const auto [found, inserted] = indexByKey.try_emplace(mergeKey(network), kept.size());
        if (inserted)
            kept.push_back(&network);
        else if (network.rssiDbm > kept[found->second]->rssiDbm)
            kept[found->second] = &network;
    }
    std::vector<RadarNearbyNetwork> entries;
    entries.reserve(kept.size());
    for (const WiFiScannedNetwork* network : kept)
        entries.push_back(makeEntry(*network));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const RadarNearbyNetwork& a, const RadarNearbyNetwork& b) {
                         return a.signalDbm > b.signalDbm;
                     });
    return entries;
}

} // namespace lumra
