#include "windows/channelscan/viewmodel/LocaleDecimal.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace lumra {

std::string formatLocaleDecimal(double value, int minFractionDigits, int maxFractionDigits,
                                const NumberSymbols& symbols) {
    if (!std::isfinite(value))
        return "\u2014";
    maxFractionDigits = std::clamp(maxFractionDigits, 0, 17);
    minFractionDigits = std::clamp(minFractionDigits, 0, maxFractionDigits);

    std::string digits = fmt::format("{:.{}f}", std::fabs(value), maxFractionDigits);
    std::string integerPart = digits;
    std::string fraction;
    if (const auto point = digits.find('.'); point != std::string::npos) {
        integerPart = digits.substr(0, point);
        fraction = digits.substr(point + 1);
    }
    while (static_cast<int>(fraction.size()) > minFractionDigits && fraction.back() == '0')
        fraction.pop_back();

    std::string grouped;
    for (std::size_t i = 0; i < integerPart.size(); ++i) {
        if (i > 0 && (integerPart.size() - i) % 3 == 0)
            grouped += symbols.groupSeparator;
        grouped += integerPart[i];
    }
    // A value that rounds to zero reads without a sign.
    const bool isZero =
        std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0' || c == '.'; });
    std::string text = (value < 0 && !isZero) ? symbols.minusSign : std::string();
    text += grouped;
    if (!fraction.empty())
        text += symbols.decimalPoint + fraction;
    return text;
}

} // namespace lumra
