#include "windows/channelscan/CongestionBar.h"

#include "qt/Palette.h"
#include "windows/channelscan/viewmodel/ChannelScanWindowModel.h"

#include <QPainter>
#include <algorithm>

namespace lumra {

CongestionBar::CongestionBar(double fraction, StatusColor tint, QWidget* parent)
    : QWidget(parent), m_fraction(fraction), m_color(withOpacity(statusColor(tint), 0.82)) {
    setFixedHeight(10);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CongestionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    painter.setBrush(paletteWhite(0.07));
    painter.drawRoundedRect(track, 4, 4);
    QRectF bar = track;
    bar.setWidth(std::min(congestionBarWidth(track.width(), m_fraction), track.width()));
    painter.setBrush(m_color);
    painter.drawRoundedRect(bar, 4, 4);
}

} // namespace lumra
