// Sparkline values and geometry, without Qt: the widget only strokes what
// these functions return, so the same rules serve the panel, the tool
// windows and the export.
//
// Non-finite samples are dropped first: a sparkline never sees NaN or an
// infinity, and the geometry never holds a non-finite coordinate.
#pragma once

#include <optional>
#include <span>
#include <vector>

namespace lumra {

// A closed vertical range lower...upper of a chart.
struct ChartDomain {
    double lower = 0;
    double upper = 0;

    bool operator==(const ChartDomain&) const = default;
};

// Min-max normalisation into 0...1 in the same order: [] -> [],
// a flat series -> 0.5 everywhere, else (v - min) / (max - min).
// Non-finite values are left out of the result.
std::vector<double> normalizedSparklineValues(std::span<const double> values);

// The normalised values a sparkline plots (each in 0...1):
// - finite samples only; none stay none; a single sample is doubled so it
//   draws a flat line across the whole width;
// - with a domain L...U: 0.5 everywhere when U - L is not above 0 (or a bound
//   is not finite), else each sample clamped into L...U and mapped to
//   (v - L) / (U - L);
// - without a domain: normalizedSparklineValues.
std::vector<double> sparklinePlotValues(std::span<const double> samples,
                                        std::optional<ChartDomain> domain);

struct SparklinePoint {
    double x = 0;
    double y = 0;

    bool operator==(const SparklinePoint&) const = default;
};

// Where a sparkline of W x H draws (y grows downwards):
// x(i) = W * i / (max(n, 2) - 1), y(i) = H * (1 - v[i]), baseline at H - 0.5.
// The filled area runs from (0, baseline) through the points to
// (points.back().x, baseline); the baseline spans 0...W; the trend line
// joins the points. No points: baseline only.
struct SparklineGeometry {
    std::vector<SparklinePoint> points;
    double baselineY = 0;
    double width = 0;

    bool operator==(const SparklineGeometry&) const = default;
};

// `normalized` as returned by sparklinePlotValues (values outside 0...1 and
// non-finite ones are clamped or dropped so the line stays inside the frame).
SparklineGeometry sparklineGeometry(std::span<const double> normalized, double width,
                                    double height);

} // namespace lumra
