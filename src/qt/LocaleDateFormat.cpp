#include "qt/LocaleDateFormat.h"

#include <chrono>
#include <memory>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
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

} // namespace

QString localeDateTimeText(const QDateTime& moment, const QLocale& locale,
                           LocaleDateStyle dateStyle, LocaleDateStyle timeStyle) {
    // "de_DE" names the same locale for both.
    const icu::Locale icuLocale(locale.name().toStdString().c_str());
    const std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icuStyle(dateStyle), icuStyle(timeStyle), icuLocale));
    if (!format) {
        // ICU without data for any locale: Qt's long style is the nearest.
        return locale.toString(moment, QLocale::LongFormat);
    }
    icu::UnicodeString text;
    format->format(static_cast<UDate>(moment.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

std::string LocaleLongDateFormatter::format(std::chrono::system_clock::time_point date) const {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    return localeDateTimeText(QDateTime::fromMSecsSinceEpoch(milliseconds), m_locale,
                              LocaleDateStyle::longStyle, LocaleDateStyle::none)
        .toStdString();
}

} // namespace lumra
