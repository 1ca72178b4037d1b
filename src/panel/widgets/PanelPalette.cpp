#include "panel/widgets/PanelPalette.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"

namespace lumra::PanelPalette {

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

QFont systemFont(double size, QFont::Weight weight) {
    return kitFont(size, weight);
}
QFont headerFont() {
    return kitFont(13, QFont::Medium);
}
QFont labelFont() {
    return kitFont(13, QFont::Medium);
}
QFont sectionFont() {
    QFont font = kitFont(11, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    return font;
}
QFont rowTitleFont() {
    return kitFont(12, QFont::DemiBold);
}
QFont rowValueFont() {
    return kitFont(12, QFont::Medium);
}
QFont captionFont() {
    return kitFont(11, QFont::Medium);
}

} // namespace lumra::PanelPalette

namespace lumra {

const QColor& tintColor(TintRole role) {
    static const QColor white = paletteWhite(1.0);
    switch (role) {
    case TintRole::green:
        return statusColor(StatusColor::green);
    case TintRole::orange:
        return statusColor(StatusColor::orange);
    case TintRole::red:
        return statusColor(StatusColor::red);
    case TintRole::yellow:
        return statusColor(StatusColor::yellow);
    case TintRole::blue:
        return statusColor(StatusColor::blue);
    case TintRole::gray:
        return statusColor(StatusColor::gray);
    case TintRole::secondary:
        return statusColor(StatusColor::secondary);
    case TintRole::accent:
        return statusColor(StatusColor::accent);
    case TintRole::white:
        break;
    }
    return white;
}

} // namespace lumra
