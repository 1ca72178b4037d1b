// Number texts of the panel and the tool windows, without Qt.
//
// Digits come from fmt: exactly `fractionDigits` after the point, rounded
// from the double's exact value with ties to even (2.5 -> "2", 0.25 -> "0.2").
// The locale's separators are supplied by the caller (the Qt side reads them
// from QLocale on every redraw); the defaults are the US English ones.
//
//   formatMetricValue(12.345, "ms", 1)            -> "12.3 ms"
//   formatMetricValue(1234.56, "Mbps", 1, german) -> "1.234,6 Mbps"
//   formatPercentValue(2.0, 0)                     -> "2%"
//   formatMetricValue(std::nullopt, "ms", 1)       -> "—"
//
// A non-finite value is not a measurement and reads "—" like an absent one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumra {

// The text shown for a missing measurement: U+2014 EM DASH.
inline constexpr std::string_view kMissingValueText = "\u2014";

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

// The number, one space and the unit; "—" without a finite value.
std::string formatMetricValue(std::optional<double> value, std::string_view unit,
                              int fractionDigits, const NumberSeparators& separators = {});

// The number directly followed by "%"; "—" without a finite value.
std::string formatPercentValue(std::optional<double> value, int fractionDigits,
                               const NumberSeparators& separators = {});

} // namespace lumra
