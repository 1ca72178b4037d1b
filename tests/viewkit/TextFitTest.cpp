#include "viewkit/TextFit.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(TextFit, ShrinksToTheLargestFittingSizeAndNeverBelowTheFloor) {
    struct Case {
        int size;
        double natural;
        double available;
        double floor;
        int expected;
    };
    const Case cases[] = {
        {12, 60, 64, 0.8, 12},   // fits: unchanged
        {12, 64, 64, 0.8, 12},   // exactly fits
        {12, 70, 64, 0.8, 10},   // 10.97 -> 10
        {12, 90, 64, 0.8, 10},   // 8.5 would fit; 0.8 of 12 is 9.6, so 10
        {11, 90, 40, 0.8, 9},    // 0.8 of 11 is 8.8: 9, never 8
        {36, 100, 90, 0.75, 32}, // 32.4 -> 32
        {36, 100, 10, 0.75, 27}, // the floor itself when it is whole
        {12, 70, 0, 0.8, 10},    // no room at all: the floor, then the ellipsis
    };
    for (const Case& c : cases) {
        const int size = fittedPixelSize(c.size, c.natural, c.available, c.floor);
        EXPECT_EQ(size, c.expected) << c.size << " " << c.natural << " in " << c.available;
        EXPECT_GE(size, c.size * c.floor) << "below the floor";
    }
}

TEST(TextFit, TheScaleIsExactWithinItsBounds) {
    EXPECT_DOUBLE_EQ(fittedScale(60, 64, 0.8), 1.0);
    EXPECT_DOUBLE_EQ(fittedScale(80, 72, 0.8), 0.9);
    EXPECT_DOUBLE_EQ(fittedScale(100, 50, 0.8), 0.8);
    EXPECT_DOUBLE_EQ(fittedScale(100, -5, 0.8), 0.8);
}

} // namespace
} // namespace lumra
