#include "qt/ProgressBar.h"

#include "qt/Palette.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace lumra {

ProgressBar::ProgressBar(QColor fill, QWidget* parent) : QWidget(parent), m_fill(std::move(fill)) {
    setFixedHeight(6);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ProgressBar::setProgress(double value, double total) {
    double fraction = total > 0 ? value / total : 0.0;
    fraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update();
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    const double radius = track.height() / 2.0;
    painter.setBrush(paletteWhite(0.12));
    painter.drawRoundedRect(track, radius, radius);
    if (m_fraction > 0) {
        QRectF done = track;
        done.setWidth(std::max(track.width() * m_fraction, track.height()));
        painter.setBrush(m_fill);
        painter.drawRoundedRect(done, radius, radius);
    }
}

} // namespace lumra
