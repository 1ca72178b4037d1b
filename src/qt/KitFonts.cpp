#include "qt/KitFonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

struct Families {
    QString proportional;
    QString monospaced;
};

Families& pinned() {
    static Families families;
    return families;
}

// The preferred family when the font database has it, else the fallback.
QString installedOr(const QString& preferred, const QString& fallback) {
    return QFontDatabase::hasFamily(preferred) ? preferred : fallback;
}

int pixels(double pixelSize) {
    return std::isfinite(pixelSize) ? std::max(1, static_cast<int>(std::lround(pixelSize))) : 13;
}

} // namespace

QString kitFontFamily() {
    if (!pinned().proportional.isEmpty())
        return pinned().proportional;
    static const QString family =
        installedOr(QStringLiteral("Inter"), QGuiApplication::font().family());
    return family;
}

QString kitMonospacedFontFamily() {
    if (!pinned().monospaced.isEmpty())
        return pinned().monospaced;
    static const QString family =
        installedOr(QStringLiteral("JetBrains Mono"),
                    QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    return family;
}

void pinKitFontFamilies(const QString& proportional, const QString& monospaced) {
    pinned() = Families{proportional, monospaced};
}

QFont kitFont(double pixelSize, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    font.setFamilies({kitFontFamily()});
    font.setPixelSize(pixels(pixelSize));
    font.setWeight(weight);
    return font;
}

QFont kitMonospacedFont(double pixelSize, QFont::Weight weight) {
    QFont font = kitFont(pixelSize, weight);
    font.setFamilies({kitMonospacedFontFamily()});
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
