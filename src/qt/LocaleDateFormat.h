// Dates and times in the locale's own short, medium and long styles. Qt has
// only short and long, so the styles come from ICU (which Qt loads itself):
// the German medium date is "01.05.2024", the US one "May 1, 2024". The
// moment is shown in the system's time zone as it is at each call, as Qt's
// local time shows it. Main thread.
#pragma once

#include "viewkit/ReleaseDateDisplayFormatting.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace lumra {

enum class LocaleDateStyle { none, shortStyle, medium, longStyle };

QString localeDateTimeText(const QDateTime& moment, const QLocale& locale,
                           LocaleDateStyle dateStyle, LocaleDateStyle timeStyle);

// Release dates for the About pages: the long date style of the locale given
// (the default one when none), no time.
class LocaleLongDateFormatter final : public ReleaseDateDisplayFormatting {
public:
    explicit LocaleLongDateFormatter(QLocale locale = QLocale()) : m_locale(std::move(locale)) {}
    std::string format(std::chrono::system_clock::time_point date) const override;

private:
    QLocale m_locale;
};

} // namespace lumra
