// The radar window's four metric cards: title, value, unit and trend series
// with their vertical ranges. Pure; any thread.
#pragma once

#include "model/WiFiSnapshot.h"
#include "viewkit/Sparkline.h"

#include <optional>
#include <string>
#include <vector>

namespace lumra {

struct RadarMetricCardModel {
    std::string title;
    // The value, then a space and the unit when there is one.
    std::string valueText;
    // Oldest first.
    std::vector<double> samples;
    std::optional<ChartDomain> yDomain;

    bool operator==(const RadarMetricCardModel&) const = default;
};

// The readings the series come from: the feed's history, or the Wi-Fi
// monitor's while the feed's is empty.
const std::vector<WiFiSnapshot>& radarSeriesSource(const std::vector<WiFiSnapshot>& radarHistory,
                                                   const std::vector<WiFiSnapshot>& wifiHistory);

// Quality, SNR, RSSI and Speed, top to bottom. `history` is the series
// source; `score` the current snapshot's.
std::vector<RadarMetricCardModel> radarMetricCards(const std::optional<WiFiSnapshot>& current,
                                                   int score,
                                                   const std::vector<WiFiSnapshot>& history);

} // namespace lumra
