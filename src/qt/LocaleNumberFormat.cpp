#include "qt/LocaleNumberFormat.h"

#include "qt/QtText.h"

#include <algorithm>
#include <cmath>

namespace lumra {

NumberSeparators numberSeparators(const QLocale& locale) {
    NumberSeparators separators;
    separators.decimalSeparator = stdText(locale.decimalPoint());
    separators.groupSeparator = (locale.numberOptions() & QLocale::OmitGroupSeparator)
                                    ? std::string{}
                                    : stdText(locale.groupSeparator());
    separators.minusSign = stdText(locale.negativeSign());
    return separators;
}

QString formatLocaleDecimal(double value, int fractionDigits, const QLocale& locale) {
    if (!std::isfinite(value))
        return QString(QChar(0x2014));
    return qText(
        formatLocalizedDecimal(value, std::clamp(fractionDigits, 0, 17), numberSeparators(locale)));
}

QString formatPlainInteger(long long value) {
    return QString::number(value);
}

} // namespace lumra
