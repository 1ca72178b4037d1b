// One network found by a scan.
#pragma once

#include "model/WiFiBand.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

struct WiFiScannedNetwork {
    // Trimmed of whitespace and newlines; absent when nothing is left.
    std::optional<std::string> ssid;
    std::optional<std::string> bssid;
    std::int64_t rssiDbm;
    std::int64_t channelNumber;
    WiFiBand band;

    bool operator==(const WiFiScannedNetwork&) const = default;
};

} // namespace lumra
