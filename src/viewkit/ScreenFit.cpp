#include "viewkit/ScreenFit.h"

#include <algorithm>
#include <climits>

namespace lumra {

namespace {

// A span of length placed at start, moved inside [low, high) as far as the
// span allows; a span longer than the range starts at low.
int placedInside(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

ScreenSize limitedSize(ScreenSize size, const WindowDesign& design, const ScreenRect& available) {
    const WindowSizeLimits limits = windowSizeLimits(design, available);
    const ScreenSize limit =
        available.isEmpty() ? ScreenSize{INT_MAX, INT_MAX} : windowSizeLimit(available);
    const ScreenSize maximum = limits.maximum.value_or(limit);
    return {std::clamp(size.width, limits.minimum.width,
                       std::max(limits.minimum.width, std::min(maximum.width, limit.width))),
            std::clamp(size.height, limits.minimum.height,
                       std::max(limits.minimum.height, std::min(maximum.height, limit.height)))};
}

// The icon's row or column on its panel: the item, or a point.
struct Anchor {
    ScreenRect rect;
    int centreX;
    int centreY;
};

Anchor anchorOf(const std::optional<ScreenRect>& item, ScreenPoint point) {
    if (item && !item->isEmpty())
        return {*item, item->x + (item->width - 1) / 2, item->y + (item->height - 1) / 2};
    return {ScreenRect{point.x, point.y, 0, 0}, point.x, point.y};
}

// The popover's span along one axis, beside the anchor [anchorStart,
// anchorEnd) on the side towards the area's far edge.
struct Span {
    int start;
    int length;
};

Span besideAnchor(bool after, int anchorStart, int anchorEnd, int length, int areaStart,
                  int areaEnd) {
    int low = after ? std::max(areaStart, anchorEnd + popoverGapToItem) : areaStart;
    int high = after ? areaEnd : std::min(areaEnd, anchorStart - popoverGapToItem);
    // No room at all on that side (a point at the far edge): the whole area.
    if (high - low < 1) {
        low = areaStart;
        high = areaEnd;
    }
    const int fitted = std::min(length, high - low);
    return {after ? low : high - fitted, fitted};
}

// Centred on centre, its length cut to the area, moved inside it.
Span alongAnchor(int centre, int length, int areaStart, int areaEnd) {
    const int fitted = std::min(length, areaEnd - areaStart);
    return {placedInside(centre - length / 2, fitted, areaStart, areaEnd), fitted};
}

} // namespace

ScreenSize windowSizeLimit(const ScreenRect& available) {
    return {std::max(1, available.width), std::max(1, available.height - titleBarAllowance)};
}

WindowSizeLimits windowSizeLimits(const WindowDesign& design, const ScreenRect& available) {
    if (available.isEmpty())
        return {design.minimum, design.maximum};
    const ScreenSize limit = windowSizeLimit(available);
    WindowSizeLimits limits{{std::min(design.minimum.width, limit.width),
                             std::min(design.minimum.height, limit.height)},
                            std::nullopt};
    if (design.maximum)
        limits.maximum = ScreenSize{std::min(design.maximum->width, limit.width),
                                    std::min(design.maximum->height, limit.height)};
    return limits;
}

ScreenRect fittedWindowFrame(const ScreenRect& frame, const WindowDesign& design,
                             const ScreenRect& available) {
    const ScreenSize size = limitedSize(frame.size(), design, available);
    if (available.isEmpty())
        return {frame.x, frame.y, size.width, size.height};
    return {placedInside(frame.x, size.width, available.x, available.right()),
            placedInside(frame.y, size.height, available.y + titleBarAllowance, available.bottom()),
            size.width, size.height};
}

ScreenRect centredWindowFrame(const WindowDesign& design, const ScreenRect& available) {
    const ScreenSize size = limitedSize(design.size, design, available);
    // As QRect::moveCenter places it.
    const int centreX = available.x + (available.width - 1) / 2;
    const int centreY = available.y + (available.height - 1) / 2;
    const ScreenRect centred{centreX - (size.width - 1) / 2, centreY - (size.height - 1) / 2,
                             size.width, size.height};
    return fittedWindowFrame(centred, design, available);
}

ScreenRect popoverFrame(const std::optional<ScreenRect>& item, ScreenPoint activationPoint,
                        ScreenSize size, const ScreenRect& available) {
    const Anchor anchor = anchorOf(item, activationPoint);
    const ScreenRect& icon = anchor.rect;
    if (available.isEmpty())
        return {anchor.centreX - size.width / 2, icon.bottom() + popoverGapToItem, size.width,
                size.height};
    // A panel beside the area (one that reserves its room): next to it.
    const bool leftPanel = icon.right() <= available.x;
    const bool rightPanel = icon.x >= available.right();
    if (leftPanel || rightPanel) {
        const Span across = besideAnchor(leftPanel, icon.x, icon.right(), size.width, available.x,
                                         available.right());
        const Span along =
            alongAnchor(anchor.centreY, size.height, available.y, available.bottom());
        return {across.start, along.start, across.length, along.length};
    }
    const bool below = anchor.centreY <= available.y + (available.height - 1) / 2;
    const Span across =
        besideAnchor(below, icon.y, icon.bottom(), size.height, available.y, available.bottom());
    const Span along = alongAnchor(anchor.centreX, size.width, available.x, available.right());
    return {along.start, across.start, along.length, across.length};
}

} // namespace lumra
