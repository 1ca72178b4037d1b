#include "qt/SectionDivider.h"

#include "qt/Palette.h"

#include <QPainter>

namespace lumra {

namespace PP = PanelPalette;

SectionDivider::SectionDivider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SectionDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), PP::rule());
}

} // namespace lumra
