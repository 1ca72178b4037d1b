#include "windows/radar/viewmodel/RadarMetricCards.h"

#include "viewkit/MetricFormat.h"
#include "windows/radar/viewmodel/LinkQualityScore.h"

#include <algorithm>
#include <fmt/format.h>

namespace lumra {

namespace {

// The Speed card's range starts at 0...200 and grows with the fastest rate.
constexpr double kSpeedRangeFloor = 200;

template <class Field>
std::vector<double> seriesOf(const std::vector<WiFiSnapshot>& history, Field field) {
    std::vector<double> series;
    series.reserve(history.size());
    for (const WiFiSnapshot& sample : history) {
        if (const std::optional<std::int64_t> value = field(sample))
            series.push_back(static_cast<double>(*value));
    }
    return series;
}

} // namespace

const std::vector<WiFiSnapshot>& radarSeriesSource(const std::vector<WiFiSnapshot>& radarHistory,
                                                   const std::vector<WiFiSnapshot>& wifiHistory) {
    return radarHistory.empty() ? wifiHistory : radarHistory;
}

std::vector<RadarMetricCardModel> radarMetricCards(const std::optional<WiFiSnapshot>& current,
                                                   int score,
                                                   const std::vector<WiFiSnapshot>& history) {
    std::vector<double> snr = seriesOf(history, [](const WiFiSnapshot& s) { return s.snrDb; });
    std::vector<double> rssi = seriesOf(
        history, [](const WiFiSnapshot& s) { return std::optional<std::int64_t>(s.rssiDbm); });
    std::vector<double> rate =
        seriesOf(history, [](const WiFiSnapshot& s) { return s.linkRateMbps; });
    const double fastest = rate.empty() ? 0 : *std::max_element(rate.begin(), rate.end());

    const std::string snrText = current && current->snrDb ? fmt::format("{}", *current->snrDb)
                                                          : std::string(kMissingValueText);
    const std::string rssiText = current ? fmt::format("{}", current->rssiDbm) : "0";
    const std::string rateText =
        current && current->linkRateMbps ? fmt::format("{}", *current->linkRateMbps) : "0";

    std::vector<RadarMetricCardModel> cards;
    cards.push_back(
        {"Quality", fmt::format("{}", score), radarScoreHistory(history), ChartDomain{0, 100}});
    cards.push_back({"SNR", snrText + " dB", std::move(snr), ChartDomain{0, 50}});
    cards.push_back({"RSSI", rssiText + " dBm", std::move(rssi), ChartDomain{-95, -30}});
    cards.push_back({"Speed", rateText + " Mbps", std::move(rate),
                     ChartDomain{0, std::max(kSpeedRangeFloor, fastest)}});
    return cards;
}

} // namespace lumra
