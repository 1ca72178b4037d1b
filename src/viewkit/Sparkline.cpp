#include "viewkit/Sparkline.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

std::vector<double> finiteValues(std::span<const double> values) {
    std::vector<double> kept;
    kept.reserve(values.size());
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept),
                 [](double v) { return std::isfinite(v); });
    return kept;
}

} // namespace

std::vector<double> normalizedSparklineValues(std::span<const double> values) {
    std::vector<double> result = finiteValues(values);
    if (result.empty()) {
        return result;
    }
    const auto [minIt, maxIt] = std::minmax_element(result.begin(), result.end());
    const double low = *minIt;
    const double high = *maxIt;
    const double span = high - low;
    for (double& v : result) {
        // A span that overflows to infinity is treated like a flat series.
        v = (span > 0 && std::isfinite(span)) ? (v - low) / span : 0.5;
    }
    return result;
}

std::vector<double> sparklinePlotValues(std::span<const double> samples,
                                        std::optional<ChartDomain> domain) {
    std::vector<double> plotted = finiteValues(samples);
    if (plotted.size() == 1) {
        plotted.push_back(plotted.front());
    }
    if (!domain) {
        return normalizedSparklineValues(plotted);
    }
    const double span = domain->upper - domain->lower;
    const bool usable =
        std::isfinite(domain->lower) && std::isfinite(domain->upper) && std::isfinite(span);
    for (double& v : plotted) {
        v = (usable && span > 0)
                ? (std::clamp(v, domain->lower, domain->upper) - domain->lower) / span
                : 0.5;
    }
    return plotted;
}

SparklineGeometry sparklineGeometry(std::span<const double> normalized, double width,
                                    double height) {
    SparklineGeometry geometry;
    geometry.width = width;
    geometry.baselineY = height - 0.5;
    const std::vector<double> values = finiteValues(normalized);
    const double steps = static_cast<double>(std::max<std::size_t>(values.size(), 2) - 1);
    geometry.points.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = std::clamp(values[i], 0.0, 1.0);
        geometry.points.push_back({width * static_cast<double>(i) / steps, height * (1 - v)});
    }
    return geometry;
}

} // namespace lumra
