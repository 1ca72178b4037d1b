// Where the radar canvas draws, without Qt: the widget only fills and strokes
// what these functions return. Lengths in points, angles in degrees in the
// drawing coordinate system (0 points right, y grows downwards, so increasing
// angles turn clockwise on screen).
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace lumra {

struct RadarPoint {
    double x = 0;
    double y = 0;

    bool operator==(const RadarPoint&) const = default;
};

struct RadarRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const RadarRect&) const = default;
};

// The window's two columns inside content of width x height: padding 24 all
// round and 24 between; W = max(1, width - 72), the information column 0.4 W
// wide and the radar panel 0.6 W, both as tall as the padding leaves.
struct RadarWindowLayout {
    RadarRect informationColumn;
    RadarRect radarPanel;

    bool operator==(const RadarWindowLayout&) const = default;
};
RadarWindowLayout radarWindowLayout(double contentWidth, double contentHeight);

// The angular width of the sweep wedge.
inline constexpr double kRadarSweepDegrees = 72;
// One turn of the sweep, in seconds.
inline constexpr double kRadarSweepPeriodSeconds = 2.2;
// The gap between the panel's edges and the radar disc, on both sides together.
inline constexpr double kRadarPanelInset = 28;
// The disc gradient's inner stop radius.
inline constexpr double kRadarDiscInnerRadius = 8;
inline constexpr double kRadarOuterRingWidth = 6;

// D = min(max(1, w - 28), max(1, h - 28)).
double radarDiameter(double panelWidth, double panelHeight);

// The D x D square of the radar, centred in the panel.
RadarRect radarSquare(double panelWidth, double panelHeight);

// The four rings' diameters: a quarter of D each step; the last is the
// disc's edge.
std::array<double, 4> radarRingDiameters(double diameter);

// The cross hair's two lines inside the square (square-local coordinates):
// horizontal (0, R)-(D, R), vertical (R, 0)-(R, D).
struct RadarLine {
    RadarPoint from;
    RadarPoint to;

    bool operator==(const RadarLine&) const = default;
};
std::array<RadarLine, 2> radarCrossHair(double diameter);

// The disc's radial gradient: from radius 8 to max(1, R).
struct RadarDiscGradient {
    double innerRadius = 0;
    double outerRadius = 0;

    bool operator==(const RadarDiscGradient&) const = default;
};
RadarDiscGradient radarDiscGradient(double diameter);

// (fmod(t, 2.2) / 2.2) x 360 - 90: -90 (straight up) at t = 0, one clockwise
// turn every 2.2 s; a negative t keeps fmod's negative remainder.
double radarSweepAngleDegrees(double secondsSinceStart);

// The wedge in a rectangle: from the centre, an arc of radius
// min(width, height) / 2 running through increasing angles from -degrees to
// 0, closed back to the centre. Before rotation it spans the `degrees` just
// above the rightward axis; its leading edge is angle 0.
struct RadarWedge {
    RadarPoint centre;
    double radius = 0;
    double startAngleDegrees = 0;
    double endAngleDegrees = 0;

    // The point of the arc at an angle.
    RadarPoint pointAt(double angleDegrees) const;
    bool operator==(const RadarWedge&) const = default;
};
RadarWedge radarSweepWedge(const RadarRect& rect, double degrees = kRadarSweepDegrees);

// The bounding box of the ring sector between two radii and two angles
// (an inner radius of 0 makes it a wedge).
RadarRect radarSectorBounds(RadarPoint centre, double innerRadius, double outerRadius,
                            double fromDegrees, double toDegrees);

// A few rectangles that together cover the sector of the given radius
// around centre from fromDegrees through increasing angles to toDegrees
// (at most one turn), each grown by margin: what a frame repaints where the
// sweep was and where it is now.
std::vector<RadarRect> radarSectorCover(RadarPoint centre, double radius, double fromDegrees,
                                        double toDegrees, double margin);

// The centre symbol: a check mark from 66 up, else a warning triangle.
std::string_view radarCentreSymbolName(int score);

} // namespace lumra
