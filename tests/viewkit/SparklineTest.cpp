#include "viewkit/Sparkline.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Values = std::vector<double>;

TEST(Sparkline, NormalizedValues) {
    EXPECT_EQ(normalizedSparklineValues(Values{}), Values{});
    EXPECT_EQ(normalizedSparklineValues(Values{3, 3, 3}), (Values{0.5, 0.5, 0.5}));
    EXPECT_EQ(normalizedSparklineValues(Values{10, 20, 15}), (Values{0, 1, 0.5}));
    EXPECT_EQ(normalizedSparklineValues(Values{-5, 5}), (Values{0, 1}));
    // Non-finite samples are dropped, not drawn.
    EXPECT_EQ(normalizedSparklineValues(Values{10, kNaN, 20, kInf, -kInf}), (Values{0, 1}));
    EXPECT_EQ(normalizedSparklineValues(Values{kNaN}), Values{});
    // A span too wide for a double is drawn flat rather than as NaN.
    const auto huge = normalizedSparklineValues(Values{-1e308, 1e308});
    ASSERT_EQ(huge.size(), 2u);
    EXPECT_TRUE(std::isfinite(huge[0]) && std::isfinite(huge[1]));
}

struct PlotCase {
    Values samples;
    std::optional<ChartDomain> domain;
    Values expected;
};

TEST(Sparkline, PlotValues) {
    const PlotCase cases[] = {
        {{}, std::nullopt, {}},
        {{}, ChartDomain{0, 80}, {}},
        // One sample is doubled: flat across the whole width.
        {{42}, std::nullopt, {0.5, 0.5}},
        {{20}, ChartDomain{0, 80}, {0.25, 0.25}},
        {{5, 5, 5}, std::nullopt, {0.5, 0.5, 0.5}},
        {{10, 20, 15}, std::nullopt, {0, 1, 0.5}},
        // Clamped into the domain, then mapped.
        {{-10, 40, 200}, ChartDomain{0, 80}, {0, 0.5, 1}},
        {{-100, -62.5, -20}, ChartDomain{-95, -30}, {0, 0.5, 1}},
        // An empty or inverted domain puts everything at mid height.
        {{1, 2, 3}, ChartDomain{0, 0}, {0.5, 0.5, 0.5}},
        {{1, 2}, ChartDomain{10, 5}, {0.5, 0.5}},
        {{1, 2}, ChartDomain{0, kInf}, {0.5, 0.5}},
        {{kNaN, 40, kInf}, ChartDomain{0, 80}, {0.5, 0.5}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sparklinePlotValues(c.samples, c.domain), c.expected) << c.samples.size();
    }
}

TEST(Sparkline, Geometry) {
    // No data: the baseline only.
    auto empty = sparklineGeometry(Values{}, 164, 20);
    EXPECT_TRUE(empty.points.empty());
    EXPECT_DOUBLE_EQ(empty.baselineY, 19.5);
    EXPECT_DOUBLE_EQ(empty.width, 164);

    // A doubled single sample spans the full width.
    auto flat = sparklineGeometry(sparklinePlotValues(Values{7}, std::nullopt), 164, 20);
    EXPECT_EQ(flat.points, (std::vector<SparklinePoint>{{0, 10}, {164, 10}}));

    auto three = sparklineGeometry(Values{0, 1, 0.5}, 100, 20);
    EXPECT_EQ(three.points, (std::vector<SparklinePoint>{{0, 20}, {50, 0}, {100, 10}}));

    // One value alone sits at x = 0 (step count max(n, 2) - 1 = 1).
    auto single = sparklineGeometry(Values{1}, 100, 20);
    EXPECT_EQ(single.points, (std::vector<SparklinePoint>{{0, 0}}));
}

TEST(Sparkline, GeometryNeverLeavesTheFrame) {
    auto g = sparklineGeometry(Values{-3, kNaN, 0.5, 7, kInf}, 80, 10);
    ASSERT_EQ(g.points.size(), 3u);
    for (const auto& p : g.points) {
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
        EXPECT_GE(p.y, 0);
        EXPECT_LE(p.y, 10);
    }
    EXPECT_DOUBLE_EQ(g.points[0].y, 10);
    EXPECT_DOUBLE_EQ(g.points[2].y, 0);
    EXPECT_DOUBLE_EQ(g.points[2].x, 80);
}

} // namespace
} // namespace lumra
