#include "viewkit/MetricFormat.h"

#include <cmath>

namespace lumra {

std::string formatMetricValue(std::optional<double> value, std::string_view unit,
                              int fractionDigits, const NumberSeparators& separators) {
    if (!value || !std::isfinite(*value)) {
        return std::string{kMissingValueText};
    }
    return formatLocalizedDecimal(*value, fractionDigits, separators) + " " + std::string{unit};
}

std::string formatPercentValue(std::optional<double> value, int fractionDigits,
                               const NumberSeparators& separators) {
    if (!value || !std::isfinite(*value)) {
        return std::string{kMissingValueText};
    }
    return formatLocalizedDecimal(*value, fractionDigits, separators) + "%";
}

} // namespace lumra
