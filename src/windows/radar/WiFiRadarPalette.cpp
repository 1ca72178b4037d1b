#include "windows/radar/WiFiRadarPalette.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"

#include <QFontDatabase>

namespace lumra::radar {

const QColor& backgroundTop() {
    static const QColor color = paletteColor(0.07, 0.08, 0.11);
    return color;
}

const QColor& panelFill() {
    static const QColor color = paletteColor(0.10, 0.12, 0.15);
    return color;
}

const QColor& accentGreen() {
    static const QColor color = paletteColor(0.26, 0.84, 0.49);
    return color;
}

const QColor& primaryText() {
    static const QColor color = paletteWhite(0.95);
    return color;
}

const QColor& secondaryText() {
    static const QColor color = paletteWhite(0.72);
    return color;
}

const QColor& separator() {
    static const QColor color = paletteWhite(0.13);
    return color;
}

const QColor& scoreColor(RadarScoreTint tint) {
    switch (tint) {
    case RadarScoreTint::accentGreen:
        return accentGreen();
    case RadarScoreTint::yellow:
        return statusColor(StatusColor::yellow);
    case RadarScoreTint::orange:
        break;
    }
    return statusColor(StatusColor::orange);
}

QFont monospacedFont(double pixelSize, QFont::Weight weight) {
    QFont font = kitFont(pixelSize, weight);
    static const QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    font.setFamily(family);
    font.setStyleHint(QFont::Monospace);
    return font;
}

} // namespace lumra::radar
