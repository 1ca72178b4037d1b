// Locale-shaped decimal numbers without Qt: the digits come from fmt (ties to
// even), the separators from the symbols the Qt side reads from QLocale.
#pragma once

#include <string>

namespace lumra {

struct NumberSymbols {
    std::string decimalPoint = ".";
    // Empty for a locale that does not group digits.
    std::string groupSeparator = ",";
    std::string minusSign = "-";

    bool operator==(const NumberSymbols&) const = default;
};

// US English, the development language.
inline const NumberSymbols& englishNumberSymbols() {
    static const NumberSymbols symbols;
    return symbols;
}

// value rounded to maxFractionDigits (ties to even), trailing zeros dropped
// down to minFractionDigits, the integer part grouped by thousands. A value
// that is not finite gives "—".
std::string formatLocaleDecimal(double value, int minFractionDigits, int maxFractionDigits,
                                const NumberSymbols& symbols);

inline std::string formatLocaleDecimal(double value, int fractionDigits,
                                       const NumberSymbols& symbols) {
    return formatLocaleDecimal(value, fractionDigits, fractionDigits, symbols);
}

} // namespace lumra
