#include "panel/viewmodel/PanelTexts.h"

#include <fmt/format.h>

namespace lumra {

std::string capitalizedFirstLetter(std::string text) {
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z') {
        text.front() = static_cast<char>(text.front() - 'a' + 'A');
    }
    return text;
}

BadgeModel healthStateBadge(HealthState state) {
    StatusColor tint = StatusColor::gray;
    switch (state) {
    case HealthState::good:
        tint = StatusColor::green;
        break;
    case HealthState::warning:
        tint = StatusColor::orange;
        break;
    case HealthState::poor:
        tint = StatusColor::red;
        break;
    case HealthState::disconnected:
        tint = StatusColor::gray;
        break;
    }
    return {capitalizedFirstLetter(std::string{rawValue(state)}), tint};
}

BadgeModel signalQualityBadge(SignalQuality quality) {
    StatusColor tint = StatusColor::red;
    switch (quality) {
    case SignalQuality::good:
        tint = StatusColor::green;
        break;
    case SignalQuality::warning:
        tint = StatusColor::orange;
        break;
    case SignalQuality::poor:
        tint = StatusColor::red;
        break;
    }
    return {capitalizedFirstLetter(std::string{rawValue(quality)}), tint};
}

std::string wifiNetworkName(const std::optional<WiFiSnapshot>& snapshot) {
    if (snapshot && snapshot->ssid && !snapshot->ssid->empty()) {
        return *snapshot->ssid;
    }
    return "Wi-Fi Name Unavailable";
}

std::string channelDetailsText(const std::optional<WiFiSnapshot>& snapshot) {
    if (!snapshot || !snapshot->channelNumber) {
        return "Channel unavailable";
    }
    std::string text = fmt::format("Channel {}", *snapshot->channelNumber);
    if (snapshot->band) {
        text += fmt::format(" ({})", rawValue(*snapshot->band));
    }
    return text;
}

WiFiHeaderModel wifiHeaderModel(const std::optional<WiFiSnapshot>& snapshot, bool isConnected) {
    WiFiHeaderModel model;
    model.networkName = wifiNetworkName(snapshot);
    model.isConnected = isConnected;
    if (snapshot && snapshot->band) {
        model.bandText = std::string{rawValue(*snapshot->band)};
    }
    model.channelDetails = channelDetailsText(snapshot);
    return model;
}

} // namespace lumra
