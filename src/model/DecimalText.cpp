#include "model/DecimalText.h"

#include <algorithm>
#include <fmt/format.h>

namespace lumra {

std::string formatLocalizedDecimal(double value, int fractionDigits,
                                   const NumberSeparators& separators) {
    const int digits = std::max(fractionDigits, 0);
    std::string plain = fmt::format("{:.{}f}", value, digits);
    bool negative = false;
    if (!plain.empty() && plain.front() == '-') {
        negative = true;
        plain.erase(0, 1);
    }
    // "-0.0" is a rounding artefact, not a reading below zero.
    if (plain.find_first_not_of("0.") == std::string::npos) {
        negative = false;
    }
    const auto point = plain.find('.');
    const std::string integerPart = plain.substr(0, point);
    std::string text = negative ? separators.minusSign : std::string{};
    for (std::size_t i = 0; i < integerPart.size(); ++i) {
        if (i > 0 && (integerPart.size() - i) % 3 == 0) {
            text += separators.groupSeparator;
        }
        text += integerPart[i];
    }
    if (point != std::string::npos) {
        text += separators.decimalSeparator;
        text += plain.substr(point + 1);
    }
    return text;
}

} // namespace lumra
