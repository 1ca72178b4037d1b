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

void paintCard(QPainter& painter, const QRectF& rect, const CardStyle& style) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool bordered = style.border.alpha() > 0;
    // The 1-wide stroke sits on the half-pixel inside the rectangle.
    const QRectF shape = bordered ? rect.adjusted(0.5, 0.5, -0.5, -0.5) : rect;
    painter.setPen(bordered ? QPen(style.border, 1.0) : QPen(Qt::NoPen));
    painter.setBrush(style.fill);
    const double radius = style.cornerRadius < 0 ? shape.height() / 2.0 : style.cornerRadius;
    painter.drawRoundedRect(shape, radius, radius);
    painter.restore();
}

void CardFrame::draw(QPainter& painter, const QRectF& rect) const {
    paintCard(painter, rect, m_style);
}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

} // namespace lumra
