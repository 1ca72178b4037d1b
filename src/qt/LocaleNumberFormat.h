// Numbers for people: the digits come from fmt (correctly rounded, ties to
// even, never the C locale), then the locale adds its decimal and grouping
// separators. Callers read the locale at every redraw (the default QLocale),
// so a locale change applies to the next one. Main thread.
#pragma once

#include <QLocale>
#include <QString>

namespace lumra {

// value with exactly fractionDigits digits after the separator (no separator
// with 0), grouped; a negative value that rounds to zero shows no minus.
// Non-finite values give "—".
QString formatLocaleDecimal(double value, int fractionDigits, const QLocale& locale = QLocale());

// A count or channel number: plain digits, never grouped.
QString formatPlainInteger(long long value);

} // namespace lumra
