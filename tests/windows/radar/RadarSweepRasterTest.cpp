#include "windows/radar/viewmodel/RadarSweepRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace lumra {
namespace {

constexpr int kSize = 200;
constexpr std::uint32_t kBlack = 0xff000000u;

// A white wedge of radius 80 around the middle of a 200 x 200 buffer.
RadarSweepPaint whiteSweep(double leadingDegrees) {
    return RadarSweepPaint{.centre = {100, 100},
                           .radius = 80,
                           .gradientRadius = 83,
                           .leadingDegrees = leadingDegrees,
                           .widthDegrees = 72,
                           .rgb = 0xffffffu,
                           .nearOpacity = 0.28,
                           .farOpacity = 0.03};
}

struct Buffer {
    explicit Buffer(std::uint32_t fill = kBlack)
        : pixels(static_cast<std::size_t>(kSize * kSize), fill) {}

    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y * kSize + x)]; }
    void blend(const RadarSweepPaint& sweep) {
        blendRadarSweep(sweep, pixels.data(), pixels.data(), kSize, {0, 0, kSize, kSize});
    }
    std::vector<std::uint32_t> pixels;
};

int red(std::uint32_t pixel) {
    return static_cast<int>((pixel >> 16) & 0xffu);
}

// What a pixel should show of a white wedge over black: the opacity at its
// centre along the leading edge, times its share inside, that is the product
// of each edge's and the arc's distance from its centre plus half a pixel,
// held to 0..1.
struct Expected {
    double share;
    double value;
};
Expected expectedAt(const RadarSweepPaint& sweep, int x, int y) {
    const double dx = x + 0.5 - sweep.centre.x, dy = y + 0.5 - sweep.centre.y;
    const double lead = sweep.leadingDegrees * std::numbers::pi / 180;
    const double trail = (sweep.leadingDegrees - sweep.widthDegrees) * std::numbers::pi / 180;
    const auto held = [](double distance) {
        return std::clamp(distance + 0.5, 0.0, 1.0);
    };
    const double share = held(dx * std::sin(lead) - dy * std::cos(lead)) *
                         held(dy * std::cos(trail) - dx * std::sin(trail)) *
                         held(sweep.radius - std::hypot(dx, dy));
    const double along = dx * std::cos(lead) + dy * std::sin(lead);
    const double opacity =
        (sweep.nearOpacity + sweep.farOpacity) / 2 +
        (sweep.nearOpacity - sweep.farOpacity) / (2 * sweep.gradientRadius) * along;
    return {share, std::round(255 * opacity) * share};
}

TEST(RadarSweepRasterTest, TheWedgeLightsWhatTrailsItsLeadingEdgeWithinItsRadius) {
    struct Case {
        double degrees, radius;
        bool lit;
    };
    // Leading edge straight up: the wedge spans -162 .. -90 degrees.
    const Case cases[] = {
        {-126, 40, true}, {-54, 40, false},  {-92, 40, true},  {-88, 40, false},
        {-160, 40, true}, {-164, 40, false}, {-126, 78, true}, {-126, 82, false},
        {54, 40, false},  {-126, 5, true},   {90, 40, false},  {180, 40, false},
    };
    Buffer buffer;
    buffer.blend(whiteSweep(-90));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.degrees << " degrees at " << c.radius);
        const double radians = c.degrees * std::numbers::pi / 180;
        const int x = static_cast<int>(std::floor(100 + c.radius * std::cos(radians)));
        const int y = static_cast<int>(std::floor(100 + c.radius * std::sin(radians)));
        EXPECT_EQ(buffer.at(x, y) != kBlack, c.lit);
    }
}

// Every pixel takes the gradient's opacity at its place along the leading
// edge (white over black shows the opacity itself) times its share inside;
// outside, pixels are left alone. At angles through each quadrant, so both
// ends of every row and each edge's slope are met.
TEST(RadarSweepRasterTest, EachPixelTakesTheGradientTimesItsShareInside) {
    for (const double leading : {-90.0, -45.0, 0.0, 17.0, 90.0, 135.0, 180.0, 250.0, 359.0}) {
        SCOPED_TRACE(leading);
        const RadarSweepPaint sweep = whiteSweep(leading);
        Buffer buffer;
        buffer.blend(sweep);
        int whole = 0, edge = 0, wrong = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const Expected expected = expectedAt(sweep, x, y);
                const std::uint32_t pixel = buffer.at(x, y);
                whole += expected.share == 1 ? 1 : 0;
                edge += expected.share > 0 && expected.share < 1 ? 1 : 0;
                const std::uint32_t grey = pixel & 0xffu;
                wrong += std::abs(static_cast<double>(grey) - expected.value) > 1 ? 1 : 0;
                wrong += pixel != (0xff000000u | grey * 0x010101u) ? 1 : 0;
            }
        }
        EXPECT_GT(whole, 3000);
        EXPECT_GT(edge, 100);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(RadarSweepRasterTest, AnEdgePixelTakesItsShareOfTheWedge) {
    // Leading edge pointing right along the row of pixel centres at y 100.5:
    // those centres lie on the edge, half inside.
    RadarSweepPaint sweep = whiteSweep(0);
    sweep.centre = {100, 100.5};
    Buffer buffer;
    buffer.blend(sweep);
    const int onEdge = red(buffer.at(140, 100));
    const int inside = red(buffer.at(140, 99));
    EXPECT_GT(inside, 40);
    EXPECT_NEAR(onEdge, inside / 2.0, 1.5);
    EXPECT_EQ(buffer.at(140, 101), kBlack);
}

TEST(RadarSweepRasterTest, TheScreenBlendBrightensTowardsWhiteAndKeepsOpaque) {
    // Over grey 128: 255 - (255 - 128)(255 - s) / 255 with s the opacity in 8 bits.
    Buffer buffer(0xff808080u);
    const RadarSweepPaint sweep = whiteSweep(-90);
    buffer.blend(sweep);
    const int x = 100 - 20, y = 100 - 40;
    ASSERT_EQ(expectedAt(sweep, x, y).share, 1);
    const double along = -(y + 0.5 - 100);
    const double source = std::round(255 * (0.155 + 0.25 / 166 * along));
    EXPECT_NEAR(red(buffer.at(x, y)), 255 - 127 * (255 - source) / 255, 1);
    EXPECT_EQ(buffer.at(x, y) >> 24, 0xffu);
    // A coloured wedge leaves a channel it has none of as it was.
    Buffer tinted(0xff808080u);
    RadarSweepPaint redSweep = sweep;
    redSweep.rgb = 0xff0000u;
    tinted.blend(redSweep);
    EXPECT_GT(tinted.at(x, y) & 0xff0000u, 0x800000u);
    EXPECT_EQ(tinted.at(x, y) & 0xffffu, 0x8080u);
}

TEST(RadarSweepRasterTest, OnlyTheGivenAreaChangesAndTheBoundsHoldEveryChange) {
    for (const double leading : {-90.0, 0.0, 30.0, 100.0, 200.0, 300.0}) {
        SCOPED_TRACE(leading);
        const RadarSweepPaint sweep = whiteSweep(leading);
        // The area's own pixels start at its top-left word.
        const RadarPixelRect area{60, 50, 70, 90};
        Buffer clipped;
        blendRadarSweep(sweep, &clipped.at(area.x, area.y), &clipped.at(area.x, area.y), kSize,
                        area);
        Buffer whole;
        whole.blend(sweep);
        const RadarPixelRect bounds = radarSweepPixelBounds(sweep);
        int changed = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const bool inArea = x >= area.x && x < area.x + area.width && y >= area.y &&
                                    y < area.y + area.height;
                const bool inBounds = x >= bounds.x && x < bounds.x + bounds.width &&
                                      y >= bounds.y && y < bounds.y + bounds.height;
                EXPECT_EQ(clipped.at(x, y), inArea ? whole.at(x, y) : kBlack) << x << "," << y;
                if (whole.at(x, y) != kBlack) {
                    ++changed;
                    EXPECT_TRUE(inBounds) << x << "," << y;
                }
            }
        }
        EXPECT_GT(changed, 3000);
    }
    EXPECT_EQ(intersected({0, 0, 10, 10}, {5, 5, 10, 10}), (RadarPixelRect{5, 5, 5, 5}));
    EXPECT_TRUE(intersected({0, 0, 10, 10}, {10, 0, 5, 5}).isEmpty());
}

// Blending from the cached layers into another buffer writes the run of
// each row and nothing else: the pixels the wedge left keep what they had.
TEST(RadarSweepRasterTest, BlendingFromOtherPixelsWritesEachRowsRunOnly) {
    for (const double leading : {-90.0, 10.0, 135.0, 260.0}) {
        SCOPED_TRACE(leading);
        const RadarSweepPaint sweep = whiteSweep(leading);
        Buffer inPlace(0xff404040u);
        inPlace.blend(sweep);
        const Buffer layers(0xff404040u);
        Buffer frame(0xff123456u);
        blendRadarSweep(sweep, layers.pixels.data(), frame.pixels.data(), kSize,
                        {0, 0, kSize, kSize});
        int lit = 0;
        const RadarSweepRows rows(sweep);
        EXPECT_EQ(rows.bounds(), radarSweepPixelBounds(sweep));
        for (int y = 0; y < kSize; ++y) {
            const RadarPixelRun run = rows.run(y);
            for (int x = 0; x < kSize; ++x) {
                const bool inRun = x >= run.first && x <= run.last;
                EXPECT_EQ(frame.at(x, y), inRun ? inPlace.at(x, y) : 0xff123456u) << x << "," << y;
                lit += inPlace.at(x, y) != 0xff404040u ? 1 : 0;
                if (!inRun) {
                    EXPECT_EQ(inPlace.at(x, y), 0xff404040u) << x << "," << y;
                }
            }
            // The run is the touched pixels and at most two either side.
            if (run.first <= run.last) {
                int firstLit = kSize, lastLit = -1;
                for (int x = 0; x < kSize; ++x) {
                    if (inPlace.at(x, y) != 0xff404040u) {
                        firstLit = std::min(firstLit, x);
                        lastLit = std::max(lastLit, x);
                    }
                }
                if (lastLit >= 0) {
                    EXPECT_LE(firstLit - run.first, 2) << y;
                    EXPECT_LE(run.last - lastLit, 2) << y;
                }
            }
        }
        EXPECT_GT(lit, 3000);
    }
}

} // namespace
} // namespace lumra
