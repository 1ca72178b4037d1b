#include "app/StatusIconStyle.h"

namespace lumra {

StatusIconStyle statusIconStyle(HealthState state, bool isColorfulIconEnabled) {
    StatusIconStyle style;
    StatusIconTint tint = StatusIconTint::gray;
    switch (state) {
    case HealthState::good:
        style.badgeSymbolName = "checkmark.circle.fill";
        tint = StatusIconTint::systemGreen;
        break;
    case HealthState::warning:
        style.badgeSymbolName = "exclamationmark.circle.fill";
        tint = StatusIconTint::systemOrange;
        break;
    case HealthState::poor:
        style.badgeSymbolName = "xmark.circle.fill";
        tint = StatusIconTint::systemRed;
        break;
    case HealthState::disconnected:
        style.badgeSymbolName = "pause.circle.fill";
        tint = StatusIconTint::gray;
        break;
    }
    if (isColorfulIconEnabled)
        style.tint = tint;
    return style;
}

std::string statusAccessibilityText(HealthState state) {
    return "Lumra status " + std::string(rawValue(state));
}

} // namespace lumra
