#include "qt/CardFrame.h"

#include <QPainter>

namespace lumra {

CardFrame::CardFrame(CardStyle style, QWidget* parent)
    : QWidget(parent), m_style(std::move(style)), m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(m_style.padding, m_style.padding, m_style.padding,
                                 m_style.padding);
    m_layout->setSpacing(m_style.spacing);
}

void CardFrame::draw(QPainter& painter, const QRectF& rect) const {
    painter.setRenderHint(QPainter::Antialiasing);
    // The 1-wide stroke sits on the half-pixel inside the rectangle.
    const QRectF shape = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(m_style.border, 1.0));
    painter.setBrush(m_style.fill);
    painter.drawRoundedRect(shape, m_style.cornerRadius, m_style.cornerRadius);
}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

} // namespace lumra
