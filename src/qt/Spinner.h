// A small indeterminate progress indicator: a ring of fading spokes that
// turns while the widget is shown (no timer runs while it is hidden). Main
// thread.
#pragma once

#include <QBasicTimer>
#include <QWidget>

namespace lumra {

class Spinner final : public QWidget {
public:
    explicit Spinner(int side = 16, QWidget* parent = nullptr);

    bool isSpinning() const { return m_timer.isActive(); }
    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static constexpr int spokeCount = 8;
    QBasicTimer m_timer;
    int m_step = 0;
};

} // namespace lumra
