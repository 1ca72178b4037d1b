#include "qt/LocaleNumberFormat.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <string>

namespace lumra {

namespace {

// Separators every three digits from the right.
QString grouped(const std::string& digits, const QString& separator) {
    QString out;
    const auto count = static_cast<int>(digits.size());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0)
            out += separator;
        out += QLatin1Char(digits[static_cast<std::size_t>(i)]);
    }
    return out;
}

} // namespace

QString formatLocaleDecimal(double value, int fractionDigits, const QLocale& locale) {
    if (!std::isfinite(value))
        return QString(QChar(0x2014));
    const int digits = std::clamp(fractionDigits, 0, 17);
    const std::string text = fmt::format("{:.{}f}", std::fabs(value), digits);
    const auto point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction =
        point == std::string::npos ? std::string() : text.substr(point + 1);

    const bool isZero = text.find_first_not_of("0.") == std::string::npos;
    QString out;
    if (std::signbit(value) && !isZero)
        out += locale.negativeSign();
    const bool groups = !(locale.numberOptions() & QLocale::OmitGroupSeparator);
    out += groups ? grouped(whole, locale.groupSeparator()) : QString::fromStdString(whole);
    if (!fraction.empty())
        out += locale.decimalPoint() + QString::fromStdString(fraction);
    return out;
}

QString formatPlainInteger(long long value) {
    return QString::number(value);
}

} // namespace lumra
