#include "qt/KitFonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace lumra {

QFont kitFont(double pixelSize, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    const int pixels =
        std::isfinite(pixelSize) ? std::max(1, static_cast<int>(std::lround(pixelSize))) : 13;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QFont kitMonospacedFont(double pixelSize, QFont::Weight weight) {
    QFont font = kitFont(pixelSize, weight);
    static const QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    font.setFamily(family);
    font.setStyleHint(QFont::Monospace);
    return font;
}

namespace PanelPalette {

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

} // namespace PanelPalette

} // namespace lumra
