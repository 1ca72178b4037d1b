// One reading of the Wi-Fi interface, as the monitors take it.
#pragma once

#include "model/WiFiBand.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

struct WiFiInterfaceSnapshot {
    // "en0" when the platform gives no name.
    std::string interfaceName;
    // Exactly as the platform gives it, not trimmed.
    std::optional<std::string> ssid;
    std::optional<std::string> bssid;
    std::int64_t rssiDbm;
    std::int64_t noiseFloorDbm;
    // Rounded, halves away from zero; absent below 1.
    std::optional<std::int64_t> linkRateMbps;
    std::optional<std::int64_t> channelNumber;
    // Absent exactly when channelNumber is.
    std::optional<WiFiBand> band;

    bool operator==(const WiFiInterfaceSnapshot&) const = default;
};

} // namespace lumra
