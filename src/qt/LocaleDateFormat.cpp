#include "qt/LocaleDateFormat.h"

#include "qt/QtText.h"

#include <QTimeZone>
#include <chrono>
#include <memory>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/simpletz.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace lumra {

namespace {

icu::DateFormat::EStyle icuStyle(LocaleDateStyle style) {
    switch (style) {
    case LocaleDateStyle::shortStyle:
        return icu::DateFormat::kShort;
    case LocaleDateStyle::medium:
        return icu::DateFormat::kMedium;
    case LocaleDateStyle::longStyle:
        return icu::DateFormat::kLong;
    case LocaleDateStyle::none:
        break;
    }
    return icu::DateFormat::kNone;
}

// The system's zone as it is now: ICU reads the host's zone once and keeps
// it, while Qt reads TZ and /etc/localtime again, as the other dates do.
// Where ICU lacks that zone (a POSIX rule in TZ, say) or places the moment
// elsewhere than local time does, the moment's local offset stands for it.
icu::TimeZone* currentTimeZone(const QDateTime& moment) {
    const int32_t localOffsetMilliseconds = moment.toLocalTime().offsetFromUtc() * 1000;
    const QByteArray id = QTimeZone::systemTimeZoneId();
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(id.constData(), id.size()))));
    int32_t rawOffset = 0;
    int32_t daylightOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone->getOffset(static_cast<UDate>(moment.toMSecsSinceEpoch()), /*local=*/false, rawOffset,
                    daylightOffset, status);
    if (U_SUCCESS(status) && *zone != icu::TimeZone::getUnknown() &&
        rawOffset + daylightOffset == localOffsetMilliseconds)
        return zone.release();
    return new icu::SimpleTimeZone(localOffsetMilliseconds, icu::UnicodeString(u"GMT"));
}

} // namespace

QString localeDateTimeText(const QDateTime& moment, const QLocale& locale,
                           LocaleDateStyle dateStyle, LocaleDateStyle timeStyle) {
    // "de_DE" names the same locale for both.
    const icu::Locale icuLocale(stdText(locale.name()).c_str());
    const std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icuStyle(dateStyle), icuStyle(timeStyle), icuLocale));
    if (!format) {
        // ICU without data for any locale: Qt's long style is the nearest.
        return locale.toString(moment, QLocale::LongFormat);
    }
    format->adoptTimeZone(currentTimeZone(moment));
    icu::UnicodeString text;
    format->format(static_cast<UDate>(moment.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

std::string LocaleLongDateFormatter::format(std::chrono::system_clock::time_point date) const {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    return stdText(localeDateTimeText(QDateTime::fromMSecsSinceEpoch(milliseconds), m_locale,
                                      LocaleDateStyle::longStyle, LocaleDateStyle::none));
}

} // namespace lumra
