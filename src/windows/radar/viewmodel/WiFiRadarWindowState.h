// Everything the Wi-Fi Radar window shows, derived on every redraw from the
// radar feed, the application's Wi-Fi monitor and the nearby scanner. Pure;
// any thread.
#pragma once

#include "model/WiFiSnapshot.h"
#include "monitoring/radar/RadarNearbyNetwork.h"
#include "windows/radar/viewmodel/LinkQualityScore.h"
#include "windows/radar/viewmodel/RadarMetricCards.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

inline constexpr std::string_view kRadarTitle = "Wi-Fi Radar";
inline constexpr std::string_view kRadarTitleSymbol = "scope";
inline constexpr std::string_view kRadarSubtitle =
    "Move through your space to find better coverage. Radar blends live link quality with "
    "nearby network pressure.";
inline constexpr std::string_view kRadarNoNetworkTitle = "No Wi-Fi Network";
inline constexpr std::string_view kRadarCurrentTag = "Current";
inline constexpr std::string_view kRadarChannelUnavailable = "Channel unavailable";
inline constexpr std::string_view kRadarNearbyTitle = "Nearby Networks";
inline constexpr std::string_view kRadarScanningText = "Scanning nearby networks...";

// What the window reads; the references must outlive the call.
struct WiFiRadarSources {
    const std::optional<WiFiSnapshot>& radarLatest;
    const std::vector<WiFiSnapshot>& radarHistory;
    const std::optional<WiFiSnapshot>& wifiLatest;
    const std::vector<WiFiSnapshot>& wifiHistory;
    const std::vector<RadarNearbyNetwork>& nearbyNetworks;
    const std::optional<std::string>& nearbyErrorMessage;
};

// One row of the nearby list; every text is radio data, shown as plain text.
struct RadarNearbyRow {
    std::string id;
    std::string ssid;
    std::string signal;
    std::string channel;

    bool operator==(const RadarNearbyRow&) const = default;
};

struct WiFiRadarWindowState {
    // The SSID exactly as reported, or "No Wi-Fi Network".
    std::string networkTitle;
    bool showsCurrentTag = false;
    std::string channelText;

    // The link-quality score, 0...100.
    std::string scoreText;
    std::string_view verdict;
    StatusColor tint = StatusColor::orange;
    std::string_view centreSymbolName;
    RadarDirectionHint directionHint;
    // Quality, SNR, RSSI, Speed.
    std::vector<RadarMetricCardModel> cards;

    std::vector<RadarNearbyRow> nearbyRows;
    // Shown at the top of the list area when there are no rows.
    std::string nearbyPlaceholder;
};

WiFiRadarWindowState makeWiFiRadarWindowState(const WiFiRadarSources& sources);

// The SSID trimmed of white space and newlines; none when missing or blank.
std::optional<std::string> radarTrimmedSSID(const std::optional<std::string>& ssid);

// Every network except those named like the current SSID (trimmed, case
// ignored); all of them without a current SSID.
std::vector<RadarNearbyNetwork>
radarDisplayedNearbyNetworks(const std::vector<RadarNearbyNetwork>& networks,
                             const std::optional<std::string>& currentSSID);

// "Ch 36 . 5 GHz"; a channel without band reads as Unknown.
std::string radarChannelText(std::int64_t channelNumber, std::optional<WiFiBand> band);
// The current channel text, or "Channel unavailable" without a channel.
std::string radarCurrentChannelText(const std::optional<WiFiSnapshot>& snapshot);

RadarNearbyRow makeRadarNearbyRow(const RadarNearbyNetwork& network);

// Equal ignoring letter case, for UTF-8 text: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters fold; other bytes compare as they are.
bool equalIgnoringCase(std::string_view a, std::string_view b);

} // namespace lumra
