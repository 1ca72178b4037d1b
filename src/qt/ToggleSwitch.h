// A switch-style toggle: a capsule track with a round knob, checkable, with
// no label of its own (the row beside it names it). Main thread.
#pragma once

#include <QAbstractButton>

namespace lumra {

class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // Draws the switch into rect (a test can aim it at an image).
    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumra
