#include "windows/radar/viewmodel/WiFiRadarWindowState.h"

#include "model/UnicodeText.h"
#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <cstdint>
#include <fmt/format.h>

namespace lumra {

namespace {

// The next code point of UTF-8 text; a byte that starts no valid sequence
// stands for itself, apart from every real code point.
std::uint32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(text[i]);
    };
    const unsigned char lead = byte(at);
    const std::uint32_t invalid = 0x110000u + lead;
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0 && lead >= 0xC2) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        ++at;
        return invalid;
    }
    if (at + length > text.size()) {
        ++at;
        return invalid;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return invalid;
        }
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return codePoint;
}

// Simple lower-case mapping of the scripts SSIDs mostly use.
std::uint32_t foldedCase(std::uint32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c | 1u;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1u) ? c + 1 : c;
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

} // namespace

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (foldedCase(nextCodePoint(a, i)) != foldedCase(nextCodePoint(b, j)))
            return false;
    }
    return i == a.size() && j == b.size();
}

std::optional<std::string> radarTrimmedSSID(const std::optional<std::string>& ssid) {
    if (!ssid)
        return std::nullopt;
    std::string trimmed = trimmedWhitespaceAndNewlines(*ssid);
    if (trimmed.empty())
        return std::nullopt;
    return trimmed;
}

std::vector<RadarNearbyNetwork>
radarDisplayedNearbyNetworks(const std::vector<RadarNearbyNetwork>& networks,
                             const std::optional<std::string>& currentSSID) {
    if (!currentSSID)
        return networks;
    std::vector<RadarNearbyNetwork> displayed;
    for (const RadarNearbyNetwork& network : networks) {
        if (!equalIgnoringCase(trimmedWhitespaceAndNewlines(network.ssid), *currentSSID))
            displayed.push_back(network);
    }
    return displayed;
}

std::string radarChannelText(std::int64_t channelNumber, std::optional<WiFiBand> band) {
    return fmt::format("Ch {} . {}", channelNumber, rawValue(band.value_or(WiFiBand::unknown)));
}

std::string radarCurrentChannelText(const std::optional<WiFiSnapshot>& snapshot) {
    if (!snapshot || !snapshot->channelNumber)
        return std::string(kRadarChannelUnavailable);
    return radarChannelText(*snapshot->channelNumber, snapshot->band);
}

RadarNearbyRow makeRadarNearbyRow(const RadarNearbyNetwork& network) {
    return {network.id, network.ssid, fmt::format("{} dBm", network.signalDbm),
            radarChannelText(network.channelNumber, network.band)};
}

WiFiRadarWindowState makeWiFiRadarWindowState(const WiFiRadarSources& sources) {
    WiFiRadarWindowState state;
    // The feed's latest reading, else the Wi-Fi monitor's.
    const std::optional<WiFiSnapshot>& current =
        sources.radarLatest ? sources.radarLatest : sources.wifiLatest;
    const std::optional<std::string> currentSSID =
        radarTrimmedSSID(current ? current->ssid : std::nullopt);
    // A blank name is no name; a real one is shown exactly as reported.
    state.networkTitle = currentSSID ? *current->ssid : std::string(kRadarNoNetworkTitle);
    state.showsCurrentTag = currentSSID.has_value();
    state.channelText = radarCurrentChannelText(current);

    const int score = linkQualityScore(current);
    state.scoreText = fmt::format("{}", score);
    state.verdict = radarSpotVerdict(score);
    state.tint = radarScoreColor(score);
    state.centreSymbolName = radarCentreSymbolName(score);
    const std::vector<WiFiSnapshot>& history =
        radarSeriesSource(sources.radarHistory, sources.wifiHistory);
    state.cards = radarMetricCards(current, score, history);
    // The Quality card's samples are the score history.
    state.directionHint = radarDirectionHint(shouldSuggestGoingBack(state.cards.front().samples));

    for (const RadarNearbyNetwork& network :
         radarDisplayedNearbyNetworks(sources.nearbyNetworks, currentSSID))
        state.nearbyRows.push_back(makeRadarNearbyRow(network));
    state.nearbyPlaceholder = sources.nearbyErrorMessage.value_or(std::string(kRadarScanningText));
    return state;
}

} // namespace lumra
