// Turns the passes of a channel scan into per-channel congestion rows and a
// recommended channel. Pure functions: the monitor calls them on the main
// actor, but any thread may.
//
// Every network contributes to the channels it overlaps, weighted by how
// strong it is (its average signal) and how persistent (the share of passes
// that saw it). Scores are normalised within each band, never across bands.
#pragma once

#include "model/ChannelScanResult.h"
#include "probes/wifi/WiFiScannedNetwork.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

// What makes two scanned networks the same network:
// "<bssid or no-bssid>|<ssid or hidden>|<channel>|<band label>".
std::string networkKey(const WiFiScannedNetwork& network);

// The first occurrence of each network key, in scan order.
std::vector<WiFiScannedNetwork> uniqueNetworks(const std::vector<WiFiScannedNetwork>& networks);

// The channels rated in every band, ascending; none for an unknown band.
const std::vector<std::int64_t>& channelsForBand(WiFiBand band);

// The channels a recommendation may pick, in the order they are considered.
const std::vector<std::int64_t>& recommendableChannels(WiFiBand band);

// How much a network of this average signal counts, 0.1 to 1.0.
double rssiWeight(double averageRSSIDbm);

// How much a network on networkChannel lands on candidateChannel of the same
// band; none when it does not reach it at all.
std::optional<double> channelOverlap(WiFiBand band, std::int64_t networkChannel,
                                     std::int64_t candidateChannel);

// The scan result of passes that each hold a network at most once. A
// passCount below 1 counts as 1 when presence is worked out.
ChannelScanResult scoreChannels(const std::vector<std::vector<WiFiScannedNetwork>>& passes,
                                std::int64_t passCount, std::optional<std::int64_t> currentChannel,
                                std::optional<WiFiBand> currentBand,
                                std::chrono::system_clock::time_point timestamp);

} // namespace lumra
