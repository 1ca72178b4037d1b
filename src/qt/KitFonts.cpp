#include "qt/KitFonts.h"

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

} // namespace lumra
