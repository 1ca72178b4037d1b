// How a Wi-Fi reading is judged, shared by the Wi-Fi monitor and the radar
// feed.
#pragma once

#include "model/WiFiSnapshot.h"
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
inline std::optional<std::int64_t> signalToNoiseRatio(std::int64_t rssiDbm,
                                                      std::int64_t noiseFloorDbm) {
    const bool plausibleSignal = rssiDbm >= -100 && rssiDbm <= 0;
    const bool plausibleNoise = noiseFloorDbm >= -120 && noiseFloorDbm <= -20;
    if (plausibleSignal && plausibleNoise && rssiDbm > noiseFloorDbm)
        return rssiDbm - noiseFloorDbm;
    return std::nullopt;
}

// The published form of a reading: its fields unchanged, the ratio derived,
// and the slow metadata as far as it is known.
inline WiFiSnapshot snapshotOfReading(const WiFiInterfaceSnapshot& reading,
                                      std::chrono::system_clock::time_point timestamp,
                                      std::optional<std::string> ipAddress, bool isVPNActive) {
    return WiFiSnapshot{timestamp,
                        reading.interfaceName,
                        reading.ssid,
                        reading.bssid,
                        reading.rssiDbm,
                        reading.noiseFloorDbm,
                        signalToNoiseRatio(reading.rssiDbm, reading.noiseFloorDbm),
                        reading.linkRateMbps,
                        reading.channelNumber,
                        reading.band,
                        std::move(ipAddress),
                        isVPNActive};
}

} // namespace lumra
