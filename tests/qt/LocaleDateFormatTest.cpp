#include "qt/LocaleDateFormat.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

// Noon UTC, so the day is the same in every nearby time zone.
QDateTime mayDay() {
    return QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
}

TEST(LocaleDateFormatTest, TheLocalesOwnDateStyles) {
    struct Row {
        QLocale locale;
        LocaleDateStyle style;
        const char* text;
    };
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const Row rows[] = {
        {english, LocaleDateStyle::medium, "May 1, 2024"},
        {german, LocaleDateStyle::medium, "01.05.2024"},
        {english, LocaleDateStyle::longStyle, "May 1, 2024"},
        {german, LocaleDateStyle::longStyle, "1. Mai 2024"},
        {english, LocaleDateStyle::shortStyle, "5/1/24"},
        {german, LocaleDateStyle::shortStyle, "01.05.24"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(localeDateTimeText(mayDay(), row.locale, row.style, LocaleDateStyle::none),
                  QString::fromUtf8(row.text));
    }
}

TEST(LocaleDateFormatTest, ReleaseDatesInTheLongStyleOfTheGivenLocale) {
    const auto moment = std::chrono::system_clock::time_point(
        std::chrono::milliseconds(mayDay().toMSecsSinceEpoch()));
    EXPECT_EQ(LocaleLongDateFormatter(QLocale(QLocale::German, QLocale::Germany)).format(moment),
              "1. Mai 2024");
    EXPECT_EQ(
        LocaleLongDateFormatter(QLocale(QLocale::English, QLocale::UnitedStates)).format(moment),
        "May 1, 2024");
}

} // namespace
} // namespace lumra
