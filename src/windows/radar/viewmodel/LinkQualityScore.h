// The radar's link-quality score of one Wi-Fi reading, its spot verdict, its
// colour band and the walking-direction hint. Pure; any thread.
#pragma once

#include "model/WiFiSnapshot.h"
#include "viewkit/StatusColor.h"

#include <optional>
#include <string_view>
#include <vector>

namespace lumra {

// 0...100; 0 without a reading. Signal 40 %, SNR 35 %, a quiet noise floor
// 15 % and link rate 10 %, rounded halves away from zero.
int linkQualityScore(const std::optional<WiFiSnapshot>& snapshot);

std::string_view radarSpotVerdict(int score);

StatusColor radarScoreColor(int score);

// One score per reading, oldest first.
std::vector<double> radarScoreHistory(const std::vector<WiFiSnapshot>& history);

// True ("go back") when the older half of the last eight scores averages
// strictly higher than the newer half; false with fewer than two.
bool shouldSuggestGoingBack(const std::vector<double>& scores);

struct RadarDirectionHint {
    std::string_view symbolName;
    std::string_view text;

    bool operator==(const RadarDirectionHint&) const = default;
};
RadarDirectionHint radarDirectionHint(bool goBack);

} // namespace lumra
