#include "qt/WindowShape.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <xcb/xcb.h>

namespace lumra {

QPainterPath roundedShape(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

bool insideRoundedShape(const QRegion& region, const QRect& rect, double radius, int edge) {
    const int corner = static_cast<int>(std::ceil(radius)) + edge;
    const QRect tall = rect.adjusted(corner, edge, -corner, -edge);
    const QRect wide = rect.adjusted(edge, corner, -edge, -corner);
    return std::all_of(region.begin(), region.end(),
                       [&](const QRect& r) { return tall.contains(r) || wide.contains(r); });
}

bool fillRoundedShape(QPainter& painter, const QRegion& region, const QRect& rect, double radius,
                      int edge, const QBrush& brush) {
    if (!insideRoundedShape(region, rect, radius, edge)) {
        painter.fillPath(roundedShape(QRectF(rect), radius), brush);
        return false;
    }
    for (const QRect& r : region)
        painter.fillRect(r, brush);
    return true;
}

bool desktopComposites() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QStringLiteral("wayland")))
        return true;
    if (platform != QStringLiteral("xcb"))
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return false;
    // The selection a compositing manager owns for screen 0.
    static constexpr char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
    if (atom == nullptr)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return owned;
}

void applyRoundedWindowShape(QWidget* window, double radius) {
    if (desktopComposites()) {
        window->clearMask();
        return;
    }
    const QPainterPath shape = roundedShape(QRectF(window->rect()), radius);
    window->setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

} // namespace lumra
