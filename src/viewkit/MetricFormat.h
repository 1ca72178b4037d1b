// Number texts of the panel and the tool windows, without Qt.
//
// The digits and separators follow formatLocalizedDecimal (model/DecimalText.h);
// the defaults are the US English separators.
//
//   formatMetricValue(12.345, "ms", 1)            -> "12.3 ms"
//   formatMetricValue(1234.56, "Mbps", 1, german) -> "1.234,6 Mbps"
//   formatPercentValue(2.0, 0)                     -> "2%"
//   formatMetricValue(std::nullopt, "ms", 1)       -> "—"
//
// A non-finite value is not a measurement and reads "—" like an absent one.
#pragma once

#include "model/DecimalText.h"

#include <optional>
#include <string>
#include <string_view>

namespace lumra {

// The text shown for a missing measurement: U+2014 EM DASH.
inline constexpr std::string_view kMissingValueText = "\u2014";

// The number, one space and the unit; "—" without a finite value.
std::string formatMetricValue(std::optional<double> value, std::string_view unit,
                              int fractionDigits, const NumberSeparators& separators = {});

// The number directly followed by "%"; "—" without a finite value.
std::string formatPercentValue(std::optional<double> value, int fractionDigits,
                               const NumberSeparators& separators = {});

} // namespace lumra
