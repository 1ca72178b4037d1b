#include "qt/LocaleDateFormat.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <string>

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

// Sets TZ for the process, as a change of the system's zone reaches a
// running program, and puts the old value back.
class ScopedTimeZone {
public:
    ScopedTimeZone() {
        if (const char* value = std::getenv("TZ"))
            m_saved = value;
    }
    ~ScopedTimeZone() {
        if (m_saved)
            ::setenv("TZ", m_saved->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    void set(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

private:
    std::optional<std::string> m_saved;
};

TEST(LocaleDateFormatTest, TheTimeFollowsTheSystemsZoneWhileRunning) {
    struct Row {
        const char* zone;
        const char* text;
    };
    const Row rows[] = {
        {"UTC", "01.05.2024, 12:00:00"},
        {"Asia/Tokyo", "01.05.2024, 21:00:00"},
        {"America/New_York", "01.05.2024, 08:00:00"},
        // A POSIX rule that names no zone: the offset local time has.
        {"<+0330>-3:30", "01.05.2024, 15:30:00"},
        {"Europe/Berlin", "01.05.2024, 14:00:00"},
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    ScopedTimeZone timeZone;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.zone);
        timeZone.set(row.zone);
        EXPECT_EQ(
            localeDateTimeText(mayDay(), german, LocaleDateStyle::medium, LocaleDateStyle::medium)
                .toStdString(),
            row.text);
        // The hour of Qt's own local time.
        EXPECT_EQ(std::string(row.text).substr(12),
                  mayDay().toLocalTime().toString(QStringLiteral("HH:mm:ss")).toStdString());
    }
}

} // namespace
} // namespace lumra
