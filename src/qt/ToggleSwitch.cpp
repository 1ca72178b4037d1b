#include "qt/ToggleSwitch.h"

#include "qt/FocusRing.h"
#include "qt/KitAccessibility.h"
#include "qt/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace lumra {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    installKitAccessibility();
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    return {38, 22};
}

void ToggleSwitch::draw(QPainter& painter, const QRectF& bounds) const {
    painter.setRenderHint(QPainter::Antialiasing);
    // With focus the ring takes the outer edge and the switch sits inside it.
    const bool focused = showsFocusRing(this);
    const double inside = focusRingWidth + 1.0;
    const QRectF rect = focused ? bounds.adjusted(inside, inside, -inside, -inside) : bounds;
    const double radius = rect.height() / 2.0;
    QColor track = isChecked() ? statusColor(StatusColor::accent) : palette().color(QPalette::Mid);
    if (!isEnabled())
        track = withOpacity(track, 0.45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(track);
    painter.drawRoundedRect(rect, radius, radius);

    const double inset = 2.0;
    const double knob = rect.height() - 2 * inset;
    const double x = isChecked() ? rect.right() - inset - knob : rect.left() + inset;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, rect.top() + inset, knob, knob));
    if (focused)
        paintFocusRing(painter, bounds, bounds.height() / 2.0);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace lumra
