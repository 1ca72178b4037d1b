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
    // Indexed by StatusColor; a function-local static, so it is built only
    // once the first view asks, never before the application exists.
    static const std::array<QColor, 8> table = {
        QColor(48, 209, 88),        // green
        QColor(255, 159, 10),       // orange
        QColor(255, 69, 58),        // red
        QColor(255, 214, 10),       // yellow
        QColor(10, 132, 255),       // blue
        QColor(142, 142, 147),      // gray
        QColor(235, 235, 245, 153), // secondary: light text at 60 %
        QColor(10, 132, 255),       // accent
    };
    return table.at(static_cast<std::size_t>(color));
}

} // namespace lumra
