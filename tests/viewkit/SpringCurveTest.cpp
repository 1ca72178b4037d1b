#include "viewkit/SpringCurve.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace lumra {
namespace {

// Steps the curve at 0.1 ms: the peak, the last time it is farther than
// tolerance from 1, and whether it ever runs backwards before the peak.
struct Sampled {
    double peak = 0;
    double lastOutside = 0;
    bool monotonicToPeak = true;
};

Sampled sample(const SpringCurve& curve, double tolerance) {
    Sampled s;
    double previous = 0;
    bool pastPeak = false;
    for (double t = 0; t < 2.0; t += 1e-4) {
        const double v = curve.value(t);
        if (v < previous - 1e-12 && !pastPeak)
            pastPeak = true;
        if (!pastPeak && v < previous)
            s.monotonicToPeak = false;
        s.peak = std::max(s.peak, v);
        if (std::abs(v - 1.0) > tolerance)
            s.lastOutside = t;
        previous = v;
    }
    return s;
}

TEST(SpringCurve, ThePopoversSpringsSettleAndOvershootAsTheirResponseAndDampingSay) {
    struct Case {
        SpringCurve curve;
        double settle;    // seconds to stay within 0.1 % of the target
        double overshoot; // of the distance, at the peak
    };
    // 0.85 damping: exp(-pi 0.85 / sqrt(1 - 0.85^2)) = 0.63 % past the target;
    // settled after ln(1.898 / 0.001) / (0.85 * 2 pi / response).
    const Case cases[] = {
        {stateChangeSpring, 0.2827, 0.00629},
        {pageChangeSpring, 0.2544, 0.00629},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.curve.settleTime(0.001), c.settle, 0.001) << c.curve.response;
        EXPECT_NEAR(c.curve.overshoot(), c.overshoot, 0.0001) << c.curve.response;
        const Sampled s = sample(c.curve, 0.001);
        EXPECT_NEAR(s.peak - 1.0, c.overshoot, 0.0002) << "the stepped curve's peak";
        EXPECT_LE(s.lastOutside, c.curve.settleTime(0.001)) << "settled when it says";
        EXPECT_GT(s.lastOutside, 0.5 * c.curve.settleTime(0.001)) << "not long before";
        EXPECT_TRUE(s.monotonicToPeak);
    }
}

TEST(SpringCurve, StartsAtRestAndEndsAtTheTarget) {
    const SpringCurve curve = stateChangeSpring;
    EXPECT_EQ(curve.value(0), 0.0);
    EXPECT_EQ(curve.value(-1), 0.0);
    EXPECT_EQ(curve.velocity(0), 0.0);
    EXPECT_NEAR(curve.velocity(1e-6), 0.0, 0.01);
    EXPECT_NEAR(curve.value(1.0), 1.0, 1e-6);
    // Half way in a little under a third of the response.
    EXPECT_GT(curve.value(0.06), 0.45);
    EXPECT_LT(curve.value(0.06), 0.75);
    // A softer spring overshoots more, a critically damped one not at all.
    EXPECT_GT((SpringCurve{0.2, 0.5}).overshoot(), 0.15);
    EXPECT_EQ((SpringCurve{0.2, 1.0}).overshoot(), 0.0);
}

} // namespace
} // namespace lumra
