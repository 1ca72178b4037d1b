#include "qt/CapsuleBadge.h"

#include <QPainter>

namespace lumra {

CapsuleBadge::CapsuleBadge(const QString& text, CapsuleBadgeStyle style, QWidget* parent)
    : QLabel(parent), m_style(std::move(style)) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(m_style.font);
    setAlignment(Qt::AlignCenter);
    setContentsMargins(m_style.horizontalPadding, m_style.verticalPadding,
                       m_style.horizontalPadding, m_style.verticalPadding);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    applyTextColor();
}

void CapsuleBadge::setFill(const QColor& fill) {
    m_style.fill = fill;
    update();
}

void CapsuleBadge::setTextColor(const QColor& color) {
    m_style.textColor = color;
    applyTextColor();
}

void CapsuleBadge::applyTextColor() {
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, m_style.textColor);
    setPalette(colors);
}

void CapsuleBadge::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_style.fill);
        const QRectF shape(rect());
        const double radius = shape.height() / 2.0;
        painter.drawRoundedRect(shape, radius, radius);
    }
    QLabel::paintEvent(event);
}

} // namespace lumra
