#include "qt/CrossFade.h"

#include <QPainter>
#include <algorithm>

namespace lumra {

CrossFade::CrossFade(QWidget* target) : QWidget(target), m_target(target), m_animation(this) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void CrossFade::capture() {
    if (!m_target->isVisible() || m_target->size().isEmpty()) {
        m_before = QPixmap();
        return;
    }
    // Mid-fade, the new change starts from the widget's state now.
    m_animation.stop();
    hide();
    m_before = m_target->grab();
}

void CrossFade::start(SpringCurve curve) {
    if (m_before.isNull())
        return;
    setGeometry(m_target->rect());
    raise();
    show();
    m_animation.start(
        curve,
        [this](double progress) {
            m_opacity = std::clamp(1.0 - progress, 0.0, 1.0);
            update();
        },
        [this] {
            m_before = QPixmap();
            hide();
        });
}

void CrossFade::paintEvent(QPaintEvent*) {
    if (m_before.isNull() || m_opacity <= 0.0)
        return;
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.drawPixmap(rect(), m_before);
}

} // namespace lumra
