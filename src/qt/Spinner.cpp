#include "qt/Spinner.h"

#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>

namespace lumra {

Spinner::Spinner(int side, QWidget* parent) : QWidget(parent) {
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Spinner::draw(QPainter& painter, const QRectF& rect) const {
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = rect.center();
    const double outer = std::min(rect.width(), rect.height()) / 2.0;
    const double inner = outer * 0.45;
    const QColor base = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokeCount; ++i) {
        // The spoke at the current step is the darkest; the others fade.
        const int age = (m_step - i + spokeCount) % spokeCount;
        QColor color = base;
        color.setAlphaF(static_cast<float>(1.0 - 0.8 * age / (spokeCount - 1)));
        painter.setPen(QPen(color, std::max(1.5, outer * 0.22), Qt::SolidLine, Qt::RoundCap));
        const double angle = 2.0 * M_PI * i / spokeCount;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(centre + direction * inner, centre + direction * (outer - 1.0));
    }
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

void Spinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_timer.start(100, this);
}

void Spinner::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

void Spinner::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_step = (m_step + 1) % spokeCount;
    update();
}

} // namespace lumra
