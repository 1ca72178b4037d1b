#include "qt/Palette.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumra {

namespace {

double unit(double value) {
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

} // namespace

QColor paletteColor(double red, double green, double blue) {
    return QColor::fromRgbF(static_cast<float>(unit(red)), static_cast<float>(unit(green)),
                            static_cast<float>(unit(blue)), 1.0f);
}

QColor paletteWhite(double opacity) {
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f, static_cast<float>(unit(opacity)));
}

QColor withOpacity(const QColor& color, double opacity) {
    QColor result = color;
    result.setAlphaF(static_cast<float>(unit(opacity)));
    return result;
}

const QColor& statusColor(StatusColor color) {
    // Built once the first view asks, never before the application exists.
    static const std::array<QColor, statusColorCount> colors = [] {
        std::array<QColor, statusColorCount> built;
        for (std::size_t i = 0; i < built.size(); ++i) {
            const StatusRgba rgba = statusRgba(static_cast<StatusColor>(i));
            built.at(i) = QColor(rgba.red, rgba.green, rgba.blue, rgba.alpha);
        }
        return built;
    }();
    return colors.at(static_cast<std::size_t>(color));
}

namespace PanelPalette {

const QColor& primaryText() {
    static const QColor color = paletteWhite(0.96);
    return color;
}

const QColor& secondaryText() {
    static const QColor color = paletteWhite(0.72);
    return color;
}

const QColor& tertiaryText() {
    static const QColor color = paletteWhite(0.55);
    return color;
}

const QColor& backgroundStart() {
    static const QColor color = paletteColor(0.16, 0.17, 0.20);
    return color;
}

const QColor& backgroundEnd() {
    static const QColor color = paletteColor(0.11, 0.12, 0.15);
    return color;
}

const QColor& border() {
    static const QColor color = paletteWhite(0.16);
    return color;
}

const QColor& cardFill() {
    static const QColor color = paletteWhite(0.07);
    return color;
}

const QColor& controlFill() {
    static const QColor color = paletteWhite(0.12);
    return color;
}

const QColor& rowFill() {
    static const QColor color = paletteWhite(0.06);
    return color;
}

const QColor& rule() {
    static const QColor color = paletteWhite(0.14);
    return color;
}

} // namespace PanelPalette

namespace WindowPalette {

const QColor& primaryText() {
    static const QColor color = paletteWhite(0.95);
    return color;
}

const QColor& secondaryText() {
    static const QColor color = paletteWhite(0.72);
    return color;
}

const QColor& tertiaryText() {
    static const QColor color = paletteWhite(0.52);
    return color;
}

const QColor& border() {
    static const QColor color = paletteWhite(0.13);
    return color;
}

const QColor& backgroundStart() {
    static const QColor color = paletteColor(0.08, 0.09, 0.12);
    return color;
}

const QColor& backgroundEnd() {
    static const QColor color = paletteColor(0.04, 0.05, 0.07);
    return color;
}

const QColor& sectionFill() {
    static const QColor color = paletteWhite(0.04);
    return color;
}

const QColor& buttonFill() {
    static const QColor color = paletteWhite(0.08);
    return color;
}

const QColor& exportBackgroundStart() {
    static const QColor color = paletteColor(0.08, 0.09, 0.13);
    return color;
}

const QColor& exportBackgroundEnd() {
    static const QColor color = paletteColor(0.04, 0.05, 0.08);
    return color;
}

const QColor& exportPanelFill() {
    static const QColor color = paletteWhite(0.05);
    return color;
}

const QColor& exportPanelBorder() {
    static const QColor color = paletteWhite(0.14);
    return color;
}

const QColor& successText() {
    static const QColor color = withOpacity(statusColor(StatusColor::green), 0.9);
    return color;
}

const QColor& errorText() {
    static const QColor color = withOpacity(statusColor(StatusColor::red), 0.9);
    return color;
}

const QColor& radarBackgroundTop() {
    static const QColor color = paletteColor(0.07, 0.08, 0.11);
    return color;
}

const QColor& radarPanelFill() {
    static const QColor color = paletteColor(0.10, 0.12, 0.15);
    return color;
}

} // namespace WindowPalette

} // namespace lumra
