// The keyboard focus indicator every focusable control of the kit draws: a
// 2-wide ring in the accent colour just inside the control's shape.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;
class QWidget;

namespace lumra {

const QColor& focusRingColor();
inline constexpr double focusRingWidth = 2.0;

// Strokes the ring inside rect, following a rounded shape of radius (half
// the height or more draws a capsule).
void paintFocusRing(QPainter& painter, const QRectF& rect, double radius);

// Whether widget shows its ring now. The kit's controls take focus from the
// keyboard only (Tab), so focus itself is the sign.
bool showsFocusRing(const QWidget* widget);

} // namespace lumra
