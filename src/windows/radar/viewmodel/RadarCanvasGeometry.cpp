#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumra {

RadarWindowLayout radarWindowLayout(double contentWidth, double contentHeight) {
    constexpr double padding = 24;
    const double available = std::max(1.0, contentWidth - 3 * padding);
    const double height = std::max(0.0, contentHeight - 2 * padding);
    const double informationWidth = 0.4 * available;
    return {{padding, padding, informationWidth, height},
            {padding + informationWidth + padding, padding, 0.6 * available, height}};
}

double radarDiameter(double panelWidth, double panelHeight) {
    return std::min(std::max(1.0, panelWidth - kRadarPanelInset),
                    std::max(1.0, panelHeight - kRadarPanelInset));
}

RadarRect radarSquare(double panelWidth, double panelHeight) {
    const double diameter = radarDiameter(panelWidth, panelHeight);
    return {(panelWidth - diameter) / 2, (panelHeight - diameter) / 2, diameter, diameter};
}

std::array<double, 4> radarRingDiameters(double diameter) {
    return {0.25 * diameter, 0.5 * diameter, 0.75 * diameter, diameter};
}

std::array<RadarLine, 2> radarCrossHair(double diameter) {
    const double radius = diameter / 2;
    return {RadarLine{{0, radius}, {diameter, radius}}, RadarLine{{radius, 0}, {radius, diameter}}};
}

RadarDiscGradient radarDiscGradient(double diameter) {
    return {kRadarDiscInnerRadius, std::max(1.0, diameter / 2)};
}

double radarSweepAngleDegrees(double secondsSinceStart) {
    return std::fmod(secondsSinceStart, kRadarSweepPeriodSeconds) / kRadarSweepPeriodSeconds * 360 -
           90;
}

RadarPoint RadarWedge::pointAt(double angleDegrees) const {
    const double radians = angleDegrees * std::numbers::pi / 180;
    return {centre.x + radius * std::cos(radians), centre.y + radius * std::sin(radians)};
}

RadarWedge radarSweepWedge(const RadarRect& rect, double degrees) {
    return RadarWedge{{rect.x + rect.width / 2, rect.y + rect.height / 2},
                      std::min(rect.width, rect.height) * 0.5,
                      -degrees,
                      0};
}

RadarRect radarSectorBounds(RadarPoint centre, double innerRadius, double outerRadius,
                            double fromDegrees, double toDegrees) {
    const RadarWedge inner{centre, innerRadius, 0, 0};
    const RadarWedge outer{centre, outerRadius, 0, 0};
    const RadarPoint first = inner.pointAt(fromDegrees);
    double left = first.x, right = first.x, top = first.y, bottom = first.y;
    const auto include = [&](RadarPoint point) {
        left = std::min(left, point.x);
        right = std::max(right, point.x);
        top = std::min(top, point.y);
        bottom = std::max(bottom, point.y);
    };
    include(inner.pointAt(toDegrees));
    include(outer.pointAt(fromDegrees));
    include(outer.pointAt(toDegrees));
    // The outer arc bulges furthest where it crosses an axis.
    for (double axis = std::ceil(fromDegrees / 90) * 90; axis < toDegrees; axis += 90)
        include(outer.pointAt(axis));
    return RadarRect{left, top, right - left, bottom - top};
}

std::vector<RadarRect> radarSectorCover(RadarPoint centre, double radius, double fromDegrees,
                                        double toDegrees, double margin) {
    // Pieces of at most 15 degrees, each split into an inner and an outer
    // half: their bounding boxes hug the sector, and a few dozen of them
    // keep the region cheap to clip to.
    constexpr double kPieceDegrees = 15;
    constexpr int kRings = 2;
    const double span = std::clamp(toDegrees - fromDegrees, 0.0, 360.0);
    const int pieces = std::max(1, static_cast<int>(std::ceil(span / kPieceDegrees)));
    std::vector<RadarRect> cover;
    cover.reserve(static_cast<std::size_t>(pieces * kRings));
    for (int i = 0; i < pieces; ++i) {
        const double from = fromDegrees + span * i / pieces;
        const double to = fromDegrees + span * (i + 1) / pieces;
        for (int ring = 0; ring < kRings; ++ring) {
            const RadarRect box = radarSectorBounds(centre, radius * ring / kRings,
                                                    radius * (ring + 1) / kRings, from, to);
            cover.push_back(RadarRect{box.x - margin, box.y - margin, box.width + 2 * margin,
                                      box.height + 2 * margin});
        }
    }
    return cover;
}

std::string_view radarCentreSymbolName(int score) {
    return score >= 66 ? "checkmark.circle.fill" : "exclamationmark.triangle.fill";
}

} // namespace lumra
