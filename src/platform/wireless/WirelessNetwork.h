// One network (BSS) of a scan.
#pragma once

#include "platform/wireless/WirelessChannel.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

struct WirelessNetwork {
    // Not trimmed; absent when hidden, all NUL or not UTF-8.
    std::optional<std::string> ssid;
    std::optional<std::string> bssid;
    // Rounded from mBm; 0 when the driver gives no signal in dBm.
    std::int64_t rssiDbm;
    // Absent when the kernel reports no frequency for the BSS.
    std::optional<WirelessChannel> channel;
    // From the survey of the BSS's channel, when the driver has one.
    std::optional<std::int64_t> noiseDbm;

    bool operator==(const WirelessNetwork&) const = default;
};

} // namespace lumra
