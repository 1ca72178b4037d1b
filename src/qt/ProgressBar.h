// The kit's linear determinate progress bar: a capsule track white at 0.12
// and the done share in one colour, at least as wide as it is high once
// started. Main thread.
#pragma once

#include <QColor>
#include <QWidget>

namespace lumra {

class ProgressBar final : public QWidget {
public:
    explicit ProgressBar(QColor fill, QWidget* parent = nullptr);
    // value of total, clamped to 0...1; 0 without a total.
    void setProgress(double value, double total = 1.0);
    double fraction() const { return m_fraction; }
    QSize sizeHint() const override { return {200, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    double m_fraction = 0.0;
};

} // namespace lumra
