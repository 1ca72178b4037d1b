#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace lumra {
namespace {

TEST(RadarCanvasGeometryTest, TheDiscIsTheSmallerSideLessTwentyEightAndAtLeastOne) {
    struct Case {
        double width, height, diameter;
    };
    const Case cases[] = {
        {600, 560, 532}, {560, 600, 532}, {400, 400, 372}, {28, 500, 1}, {20, 10, 1},
        {0, 0, 1},       {29, 500, 1},    {30, 500, 2},    {-5, 300, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_DOUBLE_EQ(radarDiameter(c.width, c.height), c.diameter);
    }
    EXPECT_EQ(radarSquare(600, 560), (RadarRect{34, 14, 532, 532}));
}

TEST(RadarCanvasGeometryTest, TheWindowsOwnSizeGivesItsColumnsAndDisc) {
    // 1080 x 680: W = 1008; columns 403.2 and 604.8 wide, 632 high.
    const RadarWindowLayout layout = radarWindowLayout(1080, 680);
    EXPECT_DOUBLE_EQ(layout.informationColumn.x, 24);
    EXPECT_DOUBLE_EQ(layout.informationColumn.y, 24);
    EXPECT_DOUBLE_EQ(layout.informationColumn.width, 403.2);
    EXPECT_DOUBLE_EQ(layout.informationColumn.height, 632);
    EXPECT_DOUBLE_EQ(layout.radarPanel.x, 24 + 403.2 + 24);
    EXPECT_DOUBLE_EQ(layout.radarPanel.width, 604.8);
    EXPECT_DOUBLE_EQ(layout.radarPanel.height, 632);
    EXPECT_DOUBLE_EQ(layout.radarPanel.x + layout.radarPanel.width + 24, 1080);
    // The panel is higher than wide: D = 604.8 - 28.
    EXPECT_DOUBLE_EQ(radarDiameter(layout.radarPanel.width, layout.radarPanel.height), 576.8);
    // Narrower than the padding: W is held at 1.
    EXPECT_DOUBLE_EQ(radarWindowLayout(50, 680).radarPanel.width, 0.6);
}

TEST(RadarCanvasGeometryTest, RingsCrossHairAndDiscGradientFollowTheDiameter) {
    EXPECT_EQ(radarRingDiameters(532), (std::array<double, 4>{133, 266, 399, 532}));
    const auto cross = radarCrossHair(532);
    EXPECT_EQ(cross[0], (RadarLine{{0, 266}, {532, 266}}));
    EXPECT_EQ(cross[1], (RadarLine{{266, 0}, {266, 532}}));
    EXPECT_EQ(radarDiscGradient(532), (RadarDiscGradient{8, 266}));
    EXPECT_EQ(radarDiscGradient(1), (RadarDiscGradient{8, 1}));
}

TEST(RadarCanvasGeometryTest, TheSweepTurnsClockwiseOnceEveryTwoPointTwoSecondsFromStraightUp) {
    struct Case {
        double seconds, degrees;
    };
    const Case cases[] = {
        {0, -90},
        {0.55, 0},
        {1.1, 90},
        {1.65, 180},
        {2.2, -90},
        {3.3, 90},
        // before the start: fmod keeps the sign
        {-0.55, -180},
        {-1.1, -270},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_NEAR(radarSweepAngleDegrees(c.seconds), c.degrees, 1e-9);
    }
}

TEST(RadarCanvasGeometryTest, TheWedgeSpansSeventyTwoDegreesJustAboveTheRightwardAxis) {
    const RadarWedge wedge = radarSweepWedge(RadarRect{10, 20, 100, 80});
    EXPECT_EQ(wedge.centre, (RadarPoint{60, 60}));
    EXPECT_DOUBLE_EQ(wedge.radius, 40);
    EXPECT_DOUBLE_EQ(wedge.startAngleDegrees, -72);
    EXPECT_DOUBLE_EQ(wedge.endAngleDegrees, 0);
    // Its leading edge points right, its trailing edge 72 degrees above.
    const RadarPoint leading = wedge.pointAt(wedge.endAngleDegrees);
    EXPECT_DOUBLE_EQ(leading.x, 100);
    EXPECT_DOUBLE_EQ(leading.y, 60);
    const RadarPoint trailing = wedge.pointAt(wedge.startAngleDegrees);
    const double radians = 72 * std::numbers::pi / 180;
    EXPECT_NEAR(trailing.x, 60 + 40 * std::cos(radians), 1e-9);
    EXPECT_NEAR(trailing.y, 60 - 40 * std::sin(radians), 1e-9);
    EXPECT_LT(trailing.y, 60);
}

// Every point of the sector lies in the cover, which stays far smaller than
// the disc's square (the point of repainting only the sweep).
TEST(RadarCanvasGeometryTest, TheSectorCoverHoldsTheWholeSectorAndLittleElse) {
    struct Case {
        double from;
        double to;
    };
    const Case cases[] = {{-162, -90}, {-10, 62}, {170, 247}, {-400, -328}, {30, 30}, {0, 360}};
    const RadarPoint centre{300, 250};
    const double radius = 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        const std::vector<RadarRect> cover = radarSectorCover(centre, radius, c.from, c.to, 1);
        const auto covered = [&](double x, double y) {
            for (const RadarRect& r : cover) {
                if (x >= r.x && x <= r.x + r.width && y >= r.y && y <= r.y + r.height)
                    return true;
            }
            return false;
        };
        for (double degrees = c.from; degrees <= c.to; degrees += 0.5) {
            for (double fraction = 0; fraction <= 1.0; fraction += 0.05) {
                const double radians = degrees * std::numbers::pi / 180;
                const double x = centre.x + radius * fraction * std::cos(radians);
                const double y = centre.y + radius * fraction * std::sin(radians);
                ASSERT_TRUE(covered(x, y)) << degrees << " " << fraction;
            }
        }
        if (c.to - c.from <= 80) {
            int inside = 0;
            int all = 0;
            for (double y = centre.y - radius; y < centre.y + radius; y += 4) {
                for (double x = centre.x - radius; x < centre.x + radius; x += 4) {
                    ++all;
                    inside += covered(x, y) ? 1 : 0;
                }
            }
            EXPECT_LT(inside, all * 0.3);
        }
    }
}

TEST(RadarCanvasGeometryTest, TheCentreSymbolIsACheckMarkFromSixtySix) {
    EXPECT_EQ(radarCentreSymbolName(100), "checkmark.circle.fill");
    EXPECT_EQ(radarCentreSymbolName(66), "checkmark.circle.fill");
    EXPECT_EQ(radarCentreSymbolName(65), "exclamationmark.triangle.fill");
    EXPECT_EQ(radarCentreSymbolName(0), "exclamationmark.triangle.fill");
}

} // namespace
} // namespace lumra
