#include "qt/FocusRing.h"

#include "qt/Palette.h"

#include <QGuiApplication>
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace lumra {

const QColor& focusRingColor() {
    return statusColor(StatusColor::accent);
}

void paintFocusRing(QPainter& painter, const QRectF& rect, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double half = focusRingWidth / 2.0;
    const QRectF ring = rect.adjusted(half, half, -half, -half);
    const double r = std::clamp(radius - half, 0.0, std::min(ring.width(), ring.height()) / 2.0);
    painter.setPen(QPen(focusRingColor(), focusRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(ring, r, r);
    painter.restore();
}

bool showsFocusRing(const QWidget* widget) {
    return widget->hasFocus();
}

} // namespace lumra
