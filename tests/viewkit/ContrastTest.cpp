#include "viewkit/Contrast.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(Contrast, RatiosOfKnownPairs) {
    const StatusRgba white{255, 255, 255}, black{0, 0, 0};
    EXPECT_DOUBLE_EQ(contrastRatio(white, black), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(black, white), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(white, white), 1.0);
    // The two panels the tray icon is checked on, and the old near-white
    // badge on a light panel (1.18:1, illegible).
    const StatusRgba light{0xF0, 0xF0, 0xF0}, dark{0x20, 0x20, 0x20};
    EXPECT_NEAR(contrastRatio(light, dark), 14.30, 0.01);
    EXPECT_NEAR(contrastRatio({235, 235, 240}, {220, 218, 213}), 1.18, 0.01);
    EXPECT_NEAR(relativeLuminance({128, 128, 128}), 0.2159, 0.0001);
}

TEST(Contrast, CompositingOverAPanel) {
    const StatusRgba panel{0x20, 0x20, 0x20};
    EXPECT_EQ(compositeOver({255, 0, 0, 255}, panel), (StatusRgba{255, 0, 0, 255}));
    EXPECT_EQ(compositeOver({255, 0, 0, 0}, panel), panel);
    EXPECT_EQ(compositeOver({255, 255, 255, 128}, panel), (StatusRgba{144, 144, 144, 255}));
}

} // namespace
} // namespace lumra
