// One reading of a station interface's link. Values the kernel does not give
// are absent, or 0 where the reader of the link expects a number (signal,
// noise and rate of an interface that is not associated).
#pragma once

#include "platform/wireless/WirelessChannel.h"
#include "platform/wireless/WirelessInterface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

struct WirelessLinkReading {
    WirelessInterface interface;
    std::optional<std::string> ssid;
    // Lower-case hex with colons.
    std::optional<std::string> bssid;
    std::int64_t signalDbm;
    // From the survey of the channel in use; 0 when the driver gives none.
    std::int64_t noiseDbm;
    // Full precision; 0 when unknown.
    double transmitRateMbps;
    // Absent when the interface operates on no channel.
    std::optional<WirelessChannel> channel;

    bool operator==(const WirelessLinkReading&) const = default;
};

} // namespace lumra
