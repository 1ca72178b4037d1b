// What the status icon shows for a health state: the badge symbol and, with
// the colourful setting on, its tint (without it the badge takes the label
// colour); "wifi" is the base image of last resort. No Qt: the geometry and
// the table are tested on their own.
#pragma once

#include "model/HealthState.h"
#include "viewkit/StatusColor.h"

#include <optional>
#include <string>

namespace lumra {

struct StatusIconStyle {
    std::string badgeSymbolName;
    std::optional<StatusColor> tint;
    std::string baseSymbolName = "wifi";

    bool operator==(const StatusIconStyle&) const = default;
};

StatusIconStyle statusIconStyle(HealthState state, bool isColorfulIconEnabled);

// "Lumra status " and the state's text value.
std::string statusAccessibilityText(HealthState state);

// The icon's canvas and the badge in it, in points, measured from the
// bottom-left corner (y up): the badge is 0.56 of the canvas and reaches 0.8
// past the right and bottom edges.
struct StatusIconGeometry {
    static constexpr double canvasSide = 18.0;
    static constexpr double badgeX = 8.72;
    static constexpr double badgeY = -0.8;
    static constexpr double badgeSide = 10.08;
    // The badge's top edge measured from the top (y down), as a painter
    // with the origin at the top-left corner draws it.
    static constexpr double badgeTopFromTop = canvasSide - badgeY - badgeSide;
    // The badge symbols' disc: radius 9.5 of their 20-point view box.
    static constexpr double badgeDiscRadius = badgeSide * 9.5 / 20.0;
    // A dark ring this wide around the disc, showing through the symbol's
    // glyph too: the light badge reads on dark panels, the ring on light
    // ones, and the glyph on the badge on both.
    static constexpr double outlineWidth = 1.2;
};

} // namespace lumra
