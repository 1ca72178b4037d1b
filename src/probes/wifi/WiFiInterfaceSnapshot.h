// One reading of the Wi-Fi interface, before the monitors judge it.
#pragma once

#include "model/WiFiBand.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

struct WiFiInterfaceSnapshot {
    std::string interfaceName;
    std::optional<std::string> ssid;
    std::optional<std::string> bssid;
    std::int64_t rssiDbm;
    std::int64_t noiseFloorDbm;
    std::optional<std::int64_t> linkRateMbps;
    std::optional<std::int64_t> channelNumber;
    std::optional<WiFiBand> band;

    bool operator==(const WiFiInterfaceSnapshot&) const = default;
};

} // namespace lumra
