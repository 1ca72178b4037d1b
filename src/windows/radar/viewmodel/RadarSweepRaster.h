// The sweep wedge blended straight into 32-bit pixels, without Qt: the one
// thing every radar frame draws afresh. A general path fill with a gradient
// brush costs several times this loop (and hands its spans to other
// threads). Lengths in device pixels, angles as in RadarCanvasGeometry.
#pragma once

#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <cstddef>
#include <cstdint>

namespace lumra {

struct RadarSweepPaint {
    RadarPoint centre;
    // The arc's radius.
    double radius = 0;
    // The linear gradient runs from +this (near opacity) to -this (far
    // opacity) along the leading edge.
    double gradientRadius = 0;
    // The wedge covers the angles from leading - width to leading.
    double leadingDegrees = 0;
    double widthDegrees = kRadarSweepDegrees;
    // The colour as 0xRRGGBB.
    std::uint32_t rgb = 0;
    double nearOpacity = 0;
    double farOpacity = 0;

    bool operator==(const RadarSweepPaint&) const = default;
};

struct RadarPixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool operator==(const RadarPixelRect&) const = default;
};

RadarPixelRect intersected(const RadarPixelRect& a, const RadarPixelRect& b);

// Every pixel the wedge touches, its antialiased edges included.
RadarPixelRect radarSweepPixelBounds(const RadarSweepPaint& sweep);

// Screen-blends the wedge into the pixels of area, held row by row from
// pixels (area's top-left word) with stride words a row, each an opaque
// 0xffRRGGBB. Each pixel takes the wedge's opacity times the share of it
// inside the wedge (its centre's distance from each edge, within half a
// pixel); pixels outside area are left alone.
void blendRadarSweep(const RadarSweepPaint& sweep, std::uint32_t* pixels, std::ptrdiff_t stride,
                     const RadarPixelRect& area);

} // namespace lumra
