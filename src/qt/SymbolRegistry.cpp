#include "qt/SymbolRegistry.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace lumra {

namespace {

QString symbolPath(const QString& name) {
    return QStringLiteral(":/symbols/%1.svg").arg(name);
}
QString assetPath(const QString& name) {
    return QStringLiteral(":/assets/%1.svg").arg(name);
}

bool isPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String("..");
}

QImage render(const QString& path, const QSizeF& logicalSize, double devicePixelRatio) {
    if (!(devicePixelRatio > 0) || !std::isfinite(devicePixelRatio) || !logicalSize.isValid())
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    const QSize pixels(
        std::max(1, static_cast<int>(std::ceil(logicalSize.width() * devicePixelRatio))),
        std::max(1, static_cast<int>(std::ceil(logicalSize.height() * devicePixelRatio))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

} // namespace

bool hasSymbol(const QString& name) {
    return isPlainName(name) && QFile::exists(symbolPath(name));
}

QImage symbolImage(const QString& name, const QSizeF& logicalSize, const QColor& color,
                   double devicePixelRatio) {
    if (!hasSymbol(name))
        return {};
    QImage image = render(symbolPath(name), logicalSize, devicePixelRatio);
    if (image.isNull())
        return image;
    // Only the artwork's shape keeps paint, in one solid colour.
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(image.size()) / devicePixelRatio), color);
    return image;
}

QPixmap symbolPixmap(const QString& name, const QSizeF& logicalSize, const QColor& color,
                     double devicePixelRatio) {
    return QPixmap::fromImage(symbolImage(name, logicalSize, color, devicePixelRatio));
}

QImage assetImage(const QString& name, const QSizeF& logicalSize, double devicePixelRatio) {
    if (!isPlainName(name) || !QFile::exists(assetPath(name)))
        return {};
    return render(assetPath(name), logicalSize, devicePixelRatio);
}

} // namespace lumra
