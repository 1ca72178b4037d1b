// A frameless window in a rounded shape: where the desktop composites, the
// window is translucent and its content paints only inside the shape (soft
// corners); elsewhere the window server cuts it to the shape with a mask
// (hard corners). Main thread.
#pragma once

#include <QBrush>
#include <QPainterPath>
#include <QRectF>

class QPainter;
class QRegion;
class QWidget;

namespace lumra {

// The rounded rectangle of rect with continuous corners of radius.
QPainterPath roundedShape(const QRectF& rect, double radius);

// Whether every rectangle of region lies where the rounded shape of rect
// covers its pixels whole, at least edge pixels in from its sides.
bool insideRoundedShape(const QRegion& region, const QRect& rect, double radius, int edge);

// Fills the rounded shape of rect with brush where region needs it. A region
// inside the shape (see above) is filled as plain rectangles: the pixels are
// the same, and a small repaint does not rasterise the whole outline. Returns
// whether the region was inside.
bool fillRoundedShape(QPainter& painter, const QRegion& region, const QRect& rect, double radius,
                      int edge, const QBrush& brush);

// Whether a compositing manager draws this desktop (always on Wayland; on
// X11 when one owns the screen's compositing selection).
bool desktopComposites();

// Masks window to its rounded shape unless the desktop composites (then the
// mask goes: the translucent corners do the job). Call whenever its size
// changes or before it is shown.
void applyRoundedWindowShape(QWidget* window, double radius);

} // namespace lumra
