// A frameless window in a rounded shape: where the desktop composites, the
// window is translucent and its content paints only inside the shape (soft
// corners); elsewhere the window server cuts it to the shape with a mask
// (hard corners). Main thread.
#pragma once

#include <QPainterPath>
#include <QRectF>

class QWidget;

namespace lumra {

// The rounded rectangle of rect with continuous corners of radius.
QPainterPath roundedShape(const QRectF& rect, double radius);

// Whether a compositing manager draws this desktop (always on Wayland; on
// X11 when one owns the screen's compositing selection).
bool desktopComposites();

// Masks window to its rounded shape unless the desktop composites (then the
// mask goes: the translucent corners do the job). Call whenever its size
// changes or before it is shown.
void applyRoundedWindowShape(QWidget* window, double radius);

} // namespace lumra
