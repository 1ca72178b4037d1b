// Numbers for people: the digits come from fmt (correctly rounded, ties to
// even, never the C locale; model/DecimalText.h, shared with the Qt-free
// view-models), then the locale adds its decimal and grouping separators.
// Callers read the locale at every redraw (the default QLocale), so a locale
// change applies to the next one. Main thread.
#pragma once

#include "model/DecimalText.h"

#include <QLocale>
#include <QString>

namespace lumra {

// The separators of locale (the default one unless given), read afresh at
// every call; no grouping where the locale omits it.
NumberSeparators numberSeparators(const QLocale& locale = QLocale());

// value with exactly fractionDigits digits after the separator (no separator
// with 0), grouped; a negative value that rounds to zero shows no minus.
// Non-finite values give "—".
QString formatLocaleDecimal(double value, int fractionDigits, const QLocale& locale = QLocale());

// A count or channel number: plain digits, never grouped.
QString formatPlainInteger(long long value);

} // namespace lumra
