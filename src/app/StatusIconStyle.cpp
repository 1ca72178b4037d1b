#include "app/StatusIconStyle.h"

namespace lumra {

StatusIconStyle statusIconStyle(HealthState state, bool isColorfulIconEnabled) {
    StatusIconStyle style;
    StatusColor tint = StatusColor::halfGray;
    switch (state) {
    case HealthState::good:
        style.badgeSymbolName = "checkmark.circle.fill";
        tint = StatusColor::green;
        break;
    case HealthState::warning:
        style.badgeSymbolName = "exclamationmark.circle.fill";
        tint = StatusColor::orange;
        break;
    case HealthState::poor:
        style.badgeSymbolName = "xmark.circle.fill";
        tint = StatusColor::red;
        break;
    case HealthState::disconnected:
        style.badgeSymbolName = "pause.circle.fill";
        tint = StatusColor::halfGray;
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
