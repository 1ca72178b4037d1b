#include "qt/LocaleNumberFormat.h"

#include <algorithm>
#include <cmath>

namespace lumra {

NumberSeparators numberSeparators(const QLocale& locale) {
    NumberSeparators separators;
    separators.decimalSeparator = locale.decimalPoint().toStdString();
    separators.groupSeparator = (locale.numberOptions() & QLocale::OmitGroupSeparator)
                                    ? std::string{}
                                    : locale.groupSeparator().toStdString();
    separators.minusSign = locale.negativeSign().toStdString();
    return separators;
}

QString formatLocaleDecimal(double value, int fractionDigits, const QLocale& locale) {
    if (!std::isfinite(value))
        return QString(QChar(0x2014));
    return QString::fromStdString(
        formatLocalizedDecimal(value, std::clamp(fractionDigits, 0, 17), numberSeparators(locale)));
}

QString formatPlainInteger(long long value) {
    return QString::number(value);
}

} // namespace lumra
