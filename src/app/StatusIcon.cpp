#include "app/StatusIcon.h"

#include "qt/Palette.h"
#include "qt/QtText.h"
#include "qt/SymbolRegistry.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>

namespace lumra {

namespace {

constexpr double side = StatusIconGeometry::canvasSide;

// The brand image; else the application's icon; else the "wifi" symbol;
// else nothing (a blank canvas).
QImage baseImage(const StatusIconStyle& style, double devicePixelRatio) {
    QImage brand =
        assetImage(QStringLiteral("MenuBarBrandIcon"), QSizeF(side, side), devicePixelRatio);
    if (!brand.isNull())
        return brand;
    const QIcon applicationIcon = QGuiApplication::windowIcon();
    if (!applicationIcon.isNull()) {
        QImage image = applicationIcon.pixmap(QSize(18, 18), devicePixelRatio).toImage();
        if (!image.isNull())
            return image;
    }
    return symbolImage(qText(style.baseSymbolName), QSizeF(side, side), statusIconLabelColor(),
                       devicePixelRatio);
}

} // namespace

// Opaque, so the badge hides the brand image beneath it.
QColor statusIconLabelColor() {
    return QColor(235, 235, 240);
}

QColor statusIconOutlineColor() {
    return QColor(24, 24, 26);
}

QImage composeStatusIcon(const StatusIconStyle& style, double devicePixelRatio) {
    const double badgeSide = StatusIconGeometry::badgeSide;
    const QColor badgeColor = style.tint ? statusColor(*style.tint) : statusIconLabelColor();
    const QImage badge = symbolImage(qText(style.badgeSymbolName), QSizeF(badgeSide, badgeSide),
                                     badgeColor, devicePixelRatio);
    if (badge.isNull())
        return {};

    const int pixels = static_cast<int>(std::lround(side * devicePixelRatio));
    QImage canvas(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage base = baseImage(style, devicePixelRatio);
    if (!base.isNull())
        painter.drawImage(QRectF(0, 0, side, side), base);
    const QRectF badgeRect(StatusIconGeometry::badgeX, StatusIconGeometry::badgeTopFromTop,
                           badgeSide, badgeSide);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(statusIconOutlineColor());
    const double ring = StatusIconGeometry::badgeDiscRadius + StatusIconGeometry::outlineWidth;
    painter.drawEllipse(badgeRect.center(), ring, ring);
    painter.drawImage(badgeRect, badge);
    painter.end();
    return canvas;
}

} // namespace lumra
