// The one rule for numbers people read, without Qt: digits from fmt, exactly
// `fractionDigits` after the point, rounded from the double's exact value with
// ties to even (2.5 -> "2", 0.25 -> "0.2"); the caller supplies the locale's
// separators (the Qt side reads them from QLocale on every redraw).
#pragma once

#include <string>

namespace lumra {

struct NumberSeparators {
    std::string decimalSeparator = ".";
    // Inserted between groups of three integer digits; empty for none.
    std::string groupSeparator = ",";
    std::string minusSign = "-";

    bool operator==(const NumberSeparators&) const = default;
};

// The number alone, with grouping and exactly `fractionDigits` fraction digits
// (negative counts as 0). A result that rounds to zero carries no minus sign.
// Requires a finite value.
std::string formatLocalizedDecimal(double value, int fractionDigits,
                                   const NumberSeparators& separators = {});

} // namespace lumra
