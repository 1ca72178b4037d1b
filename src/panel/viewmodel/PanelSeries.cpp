#include "panel/viewmodel/PanelSeries.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

template <class Sample, class Read>
std::vector<double> seriesOf(std::span<const Sample> history, Read read) {
    std::vector<double> series;
    series.reserve(history.size());
    for (const Sample& sample : history) {
        const auto value = read(sample);
        if constexpr (requires { value.has_value(); }) {
            if (value) {
                series.push_back(static_cast<double>(*value));
            }
        } else {
            series.push_back(static_cast<double>(value));
        }
    }
    return series;
}

std::vector<double> finiteOnly(std::span<const double> samples) {
    std::vector<double> kept;
    std::copy_if(samples.begin(), samples.end(), std::back_inserter(kept),
                 [](double v) { return std::isfinite(v); });
    return kept;
}

} // namespace

std::vector<double> rssiHistory(std::span<const WiFiSnapshot> history) {
    return seriesOf(history, [](const WiFiSnapshot& s) { return s.rssiDbm; });
}
std::vector<double> noiseHistory(std::span<const WiFiSnapshot> history) {
    return seriesOf(history, [](const WiFiSnapshot& s) { return s.noiseFloorDbm; });
}
std::vector<double> snrHistory(std::span<const WiFiSnapshot> history) {
    return seriesOf(history, [](const WiFiSnapshot& s) { return s.snrDb; });
}
std::vector<double> linkRateHistory(std::span<const WiFiSnapshot> history) {
    return seriesOf(history, [](const WiFiSnapshot& s) { return s.linkRateMbps; });
}
std::vector<double> pingLatencyHistory(std::span<const PingResult> history) {
    return seriesOf(history, [](const PingResult& r) { return r.latencyMilliseconds; });
}
std::vector<double> internetJitterHistory(std::span<const PingResult> internetHistory) {
    return seriesOf(internetHistory, [](const PingResult& r) { return r.jitterMilliseconds; });
}
std::vector<double> dnsLatencyHistory(std::span<const DNSResult> history) {
    return seriesOf(history, [](const DNSResult& r) { return r.latencyMilliseconds; });
}
std::vector<double> establishedHistory(std::span<const ConnectionPressureResult> history) {
    return seriesOf(history,
                    [](const ConnectionPressureResult& r) { return r.counts.established; });
}
std::vector<double> timeWaitHistory(std::span<const ConnectionPressureResult> history) {
    return seriesOf(history, [](const ConnectionPressureResult& r) { return r.counts.timeWait; });
}
std::vector<double> closeWaitHistory(std::span<const ConnectionPressureResult> history) {
    return seriesOf(history, [](const ConnectionPressureResult& r) { return r.counts.closeWait; });
}
std::vector<double> totalConnectionHistory(std::span<const ConnectionPressureResult> history) {
    return seriesOf(history, [](const ConnectionPressureResult& r) {
        return r.counts.established + r.counts.timeWait + r.counts.closeWait;
    });
}
std::vector<double> orphanedConnectionHistory(std::span<const ConnectionPressureResult> history) {
    return seriesOf(history, [](const ConnectionPressureResult& r) {
        return r.counts.timeWait + r.counts.closeWait;
    });
}

ChartDomain linkRateChartDomain(std::span<const double> samples) {
    constexpr double ceiling = 1200;
    const std::vector<double> finite = finiteOnly(samples);
    if (finite.empty()) {
        return {0, ceiling};
    }
    const auto [minIt, maxIt] = std::minmax_element(finite.begin(), finite.end());
    const double span = std::max(*maxIt - *minIt, 80.0);
    const double centre = (*minIt + *maxIt) / 2;
    double lower = centre - span / 2;
    double upper = centre + span / 2;
    if (lower < 0) {
        upper += -lower;
        lower = 0;
        if (upper > ceiling) {
            lower = -(upper - ceiling);
            upper = ceiling;
        }
    } else if (upper > ceiling) {
        lower -= upper - ceiling;
        upper = ceiling;
    }
    return {std::max(lower, 0.0), std::min(upper, ceiling)};
}

ChartDomain connectionChartDomain(std::span<const double> samples) {
    const std::vector<double> finite = finiteOnly(samples);
    if (finite.empty()) {
        return {0, 1000};
    }
    const double peak = *std::max_element(finite.begin(), finite.end());
    return {0, std::max(20.0, std::ceil(peak * 1.2))};
}

} // namespace lumra
