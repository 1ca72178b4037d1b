#include "windows/channelscan/viewmodel/LocaleDecimal.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

const NumberSymbols german{.decimalPoint = ",", .groupSeparator = ".", .minusSign = "-"};

struct DecimalCase {
    double value;
    int minDigits;
    int maxDigits;
    const char* english;
    const char* inGerman;
};

TEST(LocaleDecimalTest, RoundsTiesToEvenAndPlacesTheLocaleSeparators) {
    const DecimalCase cases[] = {
        {12.345, 1, 1, "12.3", "12,3"},
        {1234.56, 1, 1, "1,234.6", "1.234,6"},
        {2.5, 0, 0, "2", "2"},
        {0.25, 1, 1, "0.2", "0,2"},
        {3.5, 0, 0, "4", "4"},
        {8.0, 0, 0, "8", "8"},
        {0.0, 2, 2, "0.00", "0,00"},
        {1234567.0, 0, 0, "1,234,567", "1.234.567"},
        {999.96, 1, 1, "1,000.0", "1.000,0"},
        {-12.345, 1, 1, "-12.3", "-12,3"},
        {-0.04, 1, 1, "0.0", "0,0"},
        // Optional fraction digits: trailing zeros go, down to the minimum.
        {75.0, 0, 1, "75", "75"},
        {33.3333, 0, 1, "33.3", "33,3"},
        {3000.0, 0, 1, "3,000", "3.000"},
        {39.96, 0, 1, "40", "40"},
        {2.0, 1, 3, "2.0", "2,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(formatLocaleDecimal(c.value, c.minDigits, c.maxDigits, englishNumberSymbols()),
                  c.english);
        EXPECT_EQ(formatLocaleDecimal(c.value, c.minDigits, c.maxDigits, german), c.inGerman);
    }
}

TEST(LocaleDecimalTest, ALocaleWithoutGroupingAndItsOwnMinusSign) {
    const NumberSymbols plain{.decimalPoint = ".", .groupSeparator = "", .minusSign = "\u2212"};
    EXPECT_EQ(formatLocaleDecimal(-1234.5, 1, plain), "\u22121234.5");
}

TEST(LocaleDecimalTest, NonFiniteValuesReadAsMissing) {
    EXPECT_EQ(
        formatLocaleDecimal(std::numeric_limits<double>::quiet_NaN(), 2, englishNumberSymbols()),
        "\u2014");
    EXPECT_EQ(
        formatLocaleDecimal(std::numeric_limits<double>::infinity(), 0, englishNumberSymbols()),
        "\u2014");
}

} // namespace
} // namespace lumra
