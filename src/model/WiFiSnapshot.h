// One reading of the Wi-Fi link, with the interface's address and VPN verdict.
#pragma once

#include "model/WiFiBand.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

struct WiFiSnapshot {
    std::chrono::system_clock::time_point timestamp;
    std::string interfaceName;
    std::optional<std::string> ssid;
    std::optional<std::string> bssid;
    std::int64_t rssiDbm;
    std::int64_t noiseFloorDbm;
    // Absent when signal and noise are implausible together.
    std::optional<std::int64_t> snrDb;
    std::optional<std::int64_t> linkRateMbps;
    std::optional<std::int64_t> channelNumber;
    // Absent when there is no channel.
    std::optional<WiFiBand> band;
    std::optional<std::string> ipAddress;
    bool isVPNActive;

    bool operator==(const WiFiSnapshot&) const = default;
};

} // namespace lumra
