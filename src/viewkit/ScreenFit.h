// Where windows go on a screen smaller than their design, without Qt: a
// window's size limits on the available area (the screen less its panels),
// its frame moved and shrunk into that area, and the popover's frame beside
// the panel that holds its icon. Logical pixels; a window's frame here is
// its client area, without the title bar the window manager adds.
#pragma once

#include <optional>

namespace lumra {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // One past the last column and row.
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    ScreenSize size() const { return {width, height}; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Room above a window's client area for the title bar.
inline constexpr int titleBarAllowance = 32;
// Between the popover and its icon.
inline constexpr int popoverGapToItem = 4;

// A window's designed sizes: what it opens at, and its limits (a fixed
// window's maximum equals its minimum; none: it grows without limit).
struct WindowDesign {
    ScreenSize size;
    ScreenSize minimum;
    std::optional<ScreenSize> maximum;
};

struct WindowSizeLimits {
    ScreenSize minimum;
    std::optional<ScreenSize> maximum;
};

// The largest client area available holds below a title bar (at least 1 x 1).
ScreenSize windowSizeLimit(const ScreenRect& available);
// The design's limits, each no larger than available holds; the design's
// own where no area is known (empty).
WindowSizeLimits windowSizeLimits(const WindowDesign& design, const ScreenRect& available);
// frame's size within those limits and no larger than available holds,
// moved inside available with room for the title bar above it.
ScreenRect fittedWindowFrame(const ScreenRect& frame, const WindowDesign& design,
                             const ScreenRect& available);
// The designed size so limited, centred on available, its title bar on it.
ScreenRect centredWindowFrame(const WindowDesign& design, const ScreenRect& available);

// The popover of size beside its icon (item, or the activation point when
// the tray does not say where the icon is): below an icon in the upper half
// of available, above one in the lower half, right of an icon on a panel
// left of available, left of one right of it; centred on the icon along
// the panel. It never covers the icon's panel row: its size is cut to the
// room between that and the area's far edge. Inside available; where no
// area is known (empty), below the icon at its size.
ScreenRect popoverFrame(const std::optional<ScreenRect>& item, ScreenPoint activationPoint,
                        ScreenSize size, const ScreenRect& available);

} // namespace lumra
