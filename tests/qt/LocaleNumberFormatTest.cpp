#include "qt/LocaleNumberFormat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

struct Case {
    double value;
    int digits;
    const char* english;
    const char* german;
};

class LocaleNumberFormatTest : public ::testing::TestWithParam<Case> {};

TEST_P(LocaleNumberFormatTest, DigitsFromFmtSeparatorsFromTheLocale) {
    const Case& row = GetParam();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    ASSERT_EQ(german.decimalPoint(), QStringLiteral(","));
    EXPECT_EQ(formatLocaleDecimal(row.value, row.digits, english), QString::fromUtf8(row.english));
    EXPECT_EQ(formatLocaleDecimal(row.value, row.digits, german), QString::fromUtf8(row.german));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocaleNumberFormatTest,
    ::testing::Values(Case{12.345, 1, "12.3", "12,3"}, Case{1234.56, 1, "1,234.6", "1.234,6"},
                      Case{8.0, 0, "8", "8"}, Case{2.5, 0, "2", "2"}, Case{3.5, 0, "4", "4"},
                      Case{0.125, 2, "0.12", "0,12"}, Case{0.375, 2, "0.38", "0,38"},
                      Case{1000000.0, 0, "1,000,000", "1.000.000"},
                      Case{999.96, 1, "1,000.0", "1.000,0"},
                      Case{-1234.5, 1, "-1,234.5", "-1.234,5"}, Case{-0.04, 1, "0.0", "0,0"},
                      Case{std::nan(""), 1, "\u2014", "\u2014"},
                      Case{std::numeric_limits<double>::infinity(), 0, "\u2014", "\u2014"}));

TEST(LocaleNumberFormatDefaultTest, FollowsTheDefaultLocaleAtEveryCall) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    EXPECT_EQ(formatLocaleDecimal(1234.56, 1), QStringLiteral("1.234,6"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(formatLocaleDecimal(1234.56, 1), QStringLiteral("1,234.6"));
    QLocale::setDefault(saved);
}

TEST(LocaleNumberFormatDefaultTest, CountsAreNeverGrouped) {
    EXPECT_EQ(formatPlainInteger(12345), QStringLiteral("12345"));
    EXPECT_EQ(formatPlainInteger(-7), QStringLiteral("-7"));
}

} // namespace
} // namespace lumra
