// How a Wi-Fi reading is judged, shared by the Wi-Fi monitor and the radar
// feed.
#pragma once

#include "probes/wifi/WiFiInterfaceSnapshot.h"

#include <cstdint>
#include <optional>

namespace lumra {

// On a network: a non-empty name or access-point address, or a channel.
inline bool isConnectedReading(const WiFiInterfaceSnapshot& reading) {
    return (reading.ssid && !reading.ssid->empty()) || (reading.bssid && !reading.bssid->empty()) ||
           reading.channelNumber.has_value();
}

// Signal minus noise when both are plausible measurements.
inline std::optional<std::int64_t> signalToNoiseRatio(std::int64_t rssiDbm, std::int64_t noiseFloorDbm) {
    const bool plausibleSignal = rssiDbm >= -100 && rssiDbm <= 0;
    const bool plausibleNoise = noiseFloorDbm >= -120 && noiseFloorDbm <= -20;
    if (plausibleSignal && plausibleNoise && rssiDbm > noiseFloorDbm)
        return rssiDbm - noiseFloorDbm;
    return std::nullopt;
}

} // namespace lumra
