// Texts and tint roles of the panel's shared rows and badges, without Qt.
#pragma once

#include "model/HealthState.h"
#include "model/SignalQuality.h"
#include "model/WiFiSnapshot.h"
#include "viewkit/StatusColor.h"

#include <optional>
#include <string>

namespace lumra {

struct BadgeModel {
    std::string text;
    StatusColor tint;

    bool operator==(const BadgeModel&) const = default;
};

// "Good", "Warning", "Poor", "Disconnected" in green, orange, red and gray.
BadgeModel healthStateBadge(HealthState state);
BadgeModel signalQualityBadge(SignalQuality quality);

// The snapshot's SSID when present and not empty, verbatim (not trimmed);
// otherwise "Wi-Fi Name Unavailable".
std::string wifiNetworkName(const std::optional<WiFiSnapshot>& snapshot);

// "Channel 36 (5 GHz)", "Channel 36" without a band, "Channel unavailable"
// without a snapshot or channel number.
std::string channelDetailsText(const std::optional<WiFiSnapshot>& snapshot);

// What the Wi-Fi header row shows.
struct WiFiHeaderModel {
    std::string networkName;
    // Green dot when connected, else white at 0.45.
    bool isConnected = false;
    // The band chip's label; absent hides the chip and its info button.
    std::optional<std::string> bandText;
    // Hover help and popover text of the info button.
    std::string channelDetails;

    bool operator==(const WiFiHeaderModel&) const = default;
};

WiFiHeaderModel wifiHeaderModel(const std::optional<WiFiSnapshot>& snapshot, bool isConnected);

// Upper-cases the first ASCII letter: "good" -> "Good".
std::string capitalizedFirstLetter(std::string text);

} // namespace lumra
