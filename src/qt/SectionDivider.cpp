#include "qt/SectionDivider.h"

#include "qt/Palette.h"

#include <QPainter>

namespace lumra {

SectionDivider::SectionDivider(QWidget* parent) : SectionDivider(PanelPalette::rule(), parent) {}

SectionDivider::SectionDivider(const QColor& color, QWidget* parent)
    : QWidget(parent), m_color(color) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SectionDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}

} // namespace lumra
