#include "qt/CardFrame.h"

#include <QPainter>

namespace lumra {

CardFrame::CardFrame(CardStyle style, QWidget* parent)
    : QWidget(parent), m_style(std::move(style)),
      m_layout(new QBoxLayout(m_style.orientation == Qt::Vertical ? QBoxLayout::TopToBottom
                                                                  : QBoxLayout::LeftToRight,
                              this)) {
    m_layout->setContentsMargins(m_style.margins.value_or(
        QMargins(m_style.padding, m_style.padding, m_style.padding, m_style.padding)));
    m_layout->setSpacing(m_style.spacing);
}

void CardFrame::draw(QPainter& painter, const QRectF& rect) const {
    painter.setRenderHint(QPainter::Antialiasing);
    const bool bordered = m_style.border.alpha() > 0;
    // The 1-wide stroke sits on the half-pixel inside the rectangle.
    const QRectF shape = bordered ? rect.adjusted(0.5, 0.5, -0.5, -0.5) : rect;
    painter.setPen(bordered ? QPen(m_style.border, 1.0) : QPen(Qt::NoPen));
    painter.setBrush(m_style.fill);
    const double radius = m_style.cornerRadius < 0 ? shape.height() / 2.0 : m_style.cornerRadius;
    painter.drawRoundedRect(shape, radius, radius);
}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

} // namespace lumra
