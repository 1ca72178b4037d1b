// A cross-fade over a widget: what it showed before a change lies on top of
// it and fades out along a spring curve while the widget shows the new
// state beneath, then the overlay hides. Main thread.
#pragma once

#include "qt/SpringAnimation.h"

#include <QPixmap>
#include <QWidget>

namespace lumra {

class CrossFade final : public QWidget {
public:
    // Covers target (a child of it, above its other children).
    explicit CrossFade(QWidget* target);

    // Takes the picture of target now, before the caller changes it.
    void capture();
    // Fades the captured picture out; without a capture, nothing happens.
    void start(SpringCurve curve);
    bool isRunning() const { return m_animation.isRunning(); }
    // The old picture's opacity now (1 - progress).
    double opacity() const { return m_opacity; }
    SpringAnimation& animation() { return m_animation; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_target;
    QPixmap m_before;
    double m_opacity = 0.0;
    SpringAnimation m_animation;
};

} // namespace lumra
