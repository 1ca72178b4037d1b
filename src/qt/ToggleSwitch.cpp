#include "qt/ToggleSwitch.h"

#include "qt/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace lumra {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    return {38, 22};
}

void ToggleSwitch::draw(QPainter& painter, const QRectF& rect) const {
    painter.setRenderHint(QPainter::Antialiasing);
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
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace lumra
