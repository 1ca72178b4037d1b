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

// Pixels first to last of a row; empty when first > last.
struct RadarPixelRun {
    int first = 0;
    int last = -1;
};

// Which pixels of each row the wedge touches.
class RadarSweepRows {
public:
    explicit RadarSweepRows(const RadarSweepPaint& sweep);

    const RadarPixelRect& bounds() const { return m_bounds; }
    // Row y's touched pixels (none outside the bounds); a pixel either side
    // may be included.
    RadarPixelRun run(int y) const;

    struct Runs {
        RadarPixelRun touched;
        // Within it, the pixels the wedge covers whole.
        RadarPixelRun whole;
    };
    Runs runs(int y) const;

private:
    struct Run;

    RadarSweepPaint m_sweep;
    RadarPixelRect m_bounds;
    double m_leadX, m_leadY, m_trailX, m_trailY;
};

// Screen-blends the wedge over the pixels of area held at from into the
// same pixels at to (from may be to), both row by row from area's top-left
// word with stride words a row, each an opaque 0xffRRGGBB. Each pixel takes
// the wedge's opacity times the share of it inside the wedge (the product,
// for each edge and the arc, of its centre's distance inside plus half a
// pixel, held to 0..1). The pixels of each row's run (RadarSweepRows::run) inside
// area take from's pixel blended so; all others of to are left alone. The
// wedge is narrower than a half turn.
void blendRadarSweep(const RadarSweepPaint& sweep, const std::uint32_t* from, std::uint32_t* to,
                     std::ptrdiff_t stride, const RadarPixelRect& area);

} // namespace lumra
