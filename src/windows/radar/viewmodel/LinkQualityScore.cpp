#include "windows/radar/viewmodel/LinkQualityScore.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

namespace lumra {

namespace {

// weight x fraction, the fraction held to 0...1.
double weighted(double weight, double fraction) {
    if (!(fraction > 0))
        return 0;
    return fraction > 1 ? weight : weight * fraction;
}

double mean(std::vector<double>::const_iterator first, std::vector<double>::const_iterator last) {
    const double count = static_cast<double>(last - first);
    return std::accumulate(first, last, 0.0) / count;
}

} // namespace

int linkQualityScore(const std::optional<WiFiSnapshot>& snapshot) {
    if (!snapshot)
        return 0;
    const double signal = weighted(0.40, (static_cast<double>(snapshot->rssiDbm) + 90) / 45);
    const double snr =
        snapshot->snrDb ? weighted(0.35, static_cast<double>(*snapshot->snrDb) / 50) : 0.0;
    // A quieter floor scores higher: the fraction runs the other way.
    const double floorFraction = (static_cast<double>(snapshot->noiseFloorDbm) + 100) / 30;
    const double noise = floorFraction <= 0   ? 0.15
                         : floorFraction >= 1 ? 0.0
                                              : 0.15 * (1 - floorFraction);
    const double linkRate =
        snapshot->linkRateMbps ? weighted(0.10, static_cast<double>(*snapshot->linkRateMbps) / 1200)
                               : 0.0;
    const double raw = (signal + snr + noise + linkRate) * 100;
    return static_cast<int>(std::clamp(std::round(raw), 0.0, 100.0));
}

std::string_view radarSpotVerdict(int score) {
    if (score >= 86 && score <= 100)
        return "Great spot: strong signal here.";
    if (score >= 66 && score <= 85)
        return "Good spot: signal is stable.";
    if (score >= 46 && score <= 65)
        return "Keep moving: signal can improve.";
    return "Weak spot: move closer to the router.";
}

StatusColor radarScoreColor(int score) {
    if (score >= 75 && score <= 100)
        return StatusColor::mint;
    if (score >= 45 && score <= 74)
        return StatusColor::yellow;
    return StatusColor::orange;
}

std::vector<double> radarScoreHistory(const std::vector<WiFiSnapshot>& history) {
    std::vector<double> scores;
    scores.reserve(history.size());
    for (const WiFiSnapshot& sample : history)
        scores.push_back(linkQualityScore(sample));
    return scores;
}

bool shouldSuggestGoingBack(const std::vector<double>& scores) {
    const std::size_t count = std::min<std::size_t>(scores.size(), 8);
    if (count < 2)
        return false;
    const auto first = scores.end() - static_cast<std::ptrdiff_t>(count);
    // With an odd count the newer half holds one more score.
    const auto middle = first + static_cast<std::ptrdiff_t>(count / 2);
    return mean(first, middle) > mean(middle, scores.end());
}

RadarDirectionHint radarDirectionHint(bool goBack) {
    if (goBack)
        return {"arrow.uturn.backward.circle.fill", "go back"};
    return {"arrow.forward.circle.fill", "keep going"};
}

} // namespace lumra
