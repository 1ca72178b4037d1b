#include "viewkit/MetricFormat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

const NumberSeparators kUS{};
const NumberSeparators kGerman{",", ".", "-"};

struct MetricCase {
    std::optional<double> value;
    const char* unit;
    int digits;
    const NumberSeparators* separators;
    const char* expected;
};

TEST(MetricFormat, MetricValues) {
    const MetricCase cases[] = {
        {12.345, "ms", 1, &kUS, "12.3 ms"},
        {1234.56, "Mbps", 1, &kUS, "1,234.6 Mbps"},
        {8.0, "ms", 0, &kUS, "8 ms"},
        {0.0, "ms", 1, &kUS, "0.0 ms"},
        {12.345, "ms", 1, &kGerman, "12,3 ms"},
        {1234.56, "Mbps", 1, &kGerman, "1.234,6 Mbps"},
        // Ties to even on the exact binary value.
        {2.5, "ms", 0, &kUS, "2 ms"},
        {3.5, "ms", 0, &kUS, "4 ms"},
        {0.25, "ms", 1, &kUS, "0.2 ms"},
        {-12.345, "ms", 1, &kUS, "-12.3 ms"},
        {-1234567.0, "ms", 0, &kGerman, "-1.234.567 ms"},
        // Rounds to zero: no minus sign.
        {-0.04, "ms", 1, &kUS, "0.0 ms"},
        {999.96, "Mbps", 1, &kUS, "1,000.0 Mbps"},
        {100.0, "ms", 3, &kUS, "100.000 ms"},
        {5.0, "ms", -2, &kUS, "5 ms"},
        {std::nullopt, "ms", 1, &kUS, "\u2014"},
        {std::nullopt, "Mbps", 0, &kGerman, "\u2014"},
        {std::numeric_limits<double>::quiet_NaN(), "ms", 1, &kUS, "\u2014"},
        {std::numeric_limits<double>::infinity(), "ms", 1, &kUS, "\u2014"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatMetricValue(c.value, c.unit, c.digits, *c.separators), c.expected)
            << (c.value ? *c.value : -1) << " " << c.digits;
    }
}

TEST(MetricFormat, PercentValues) {
    EXPECT_EQ(formatPercentValue(2.0, 0), "2%");
    EXPECT_EQ(formatPercentValue(100.0, 0), "100%");
    EXPECT_EQ(formatPercentValue(0.5, 0), "0%");
    EXPECT_EQ(formatPercentValue(12.25, 1, kGerman), "12,2%");
    EXPECT_EQ(formatPercentValue(std::nullopt, 0), "\u2014");
    EXPECT_EQ(formatPercentValue(-std::numeric_limits<double>::infinity(), 0), "\u2014");
}

TEST(MetricFormat, SeparatorsAreTakenAsGiven) {
    // A locale with a multi-byte grouping mark and minus sign (U+2212).
    const NumberSeparators french{",", "\u202f", "\u2212"};
    EXPECT_EQ(formatLocalizedDecimal(-1234567.891, 2, french), "\u22121\u202f234\u202f567,89");
    EXPECT_EQ(formatLocalizedDecimal(1234.0, 0, {".", "", "-"}), "1234");
}

} // namespace
} // namespace lumra
