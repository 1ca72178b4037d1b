#include "qt/SpringAnimation.h"

namespace lumra {

SpringAnimation::SpringAnimation(QObject* parent) : QObject(parent) {
    m_timer.setInterval(16);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { frameAt(static_cast<double>(m_elapsed.nsecsElapsed()) / 1e9); });
}

void SpringAnimation::start(SpringCurve curve, std::function<void(double)> onFrame,
                            std::function<void()> onFinished) {
    m_curve = curve;
    m_onFrame = std::move(onFrame);
    m_onFinished = std::move(onFinished);
    m_elapsed.start();
    m_timer.start();
    frameAt(0.0);
}

void SpringAnimation::stop() {
    m_timer.stop();
}

void SpringAnimation::frameAt(double seconds) {
    if (!m_onFrame)
        return;
    if (seconds >= m_curve.settleTime()) {
        m_timer.stop();
        m_onFrame(1.0);
        if (auto finished = std::exchange(m_onFinished, {}))
            finished();
        return;
    }
    m_onFrame(m_curve.value(seconds));
}

} // namespace lumra
