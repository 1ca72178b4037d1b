#include "qt/Dot.h"

#include <QPainter>

namespace lumra {

Dot::Dot(int side, QColor color, QWidget* parent) : QWidget(parent), m_color(std::move(color)) {
    setFixedSize(side, side);
}

void Dot::setColor(const QColor& color) {
    if (color != m_color) {
        m_color = color;
        update();
    }
}

void Dot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(QRectF(rect()));
}

} // namespace lumra
