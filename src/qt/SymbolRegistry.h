// Symbol images by their system-symbol name ("checkmark.circle.fill"): the
// application's own SVG artwork, kept in a Qt resource (one file per name
// under src/qt/symbols/, picked up by the build) and rendered with QtSvg.
// An unknown name gives no image. Main thread.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace lumra {

bool hasSymbol(const QString& name);

// The symbol drawn into a transparent image of logicalSize (times
// devicePixelRatio device pixels), painted solid in color; a null image for
// an unknown name.
QImage symbolImage(const QString& name, const QSizeF& logicalSize, const QColor& color,
                   double devicePixelRatio = 1.0);
QPixmap symbolPixmap(const QString& name, const QSizeF& logicalSize, const QColor& color,
                     double devicePixelRatio = 1.0);

// A named image asset of the application ("MenuBarBrandIcon"), in its own
// colours; a null image when there is none.
QImage assetImage(const QString& name, const QSizeF& logicalSize, double devicePixelRatio = 1.0);

} // namespace lumra
