// A channel's congestion: a track 10 high with a bar on its leading edge,
// at least 2 wide, red, orange or green at 0.82. Main thread.
#pragma once

#include <QColor>
#include <QWidget>

namespace lumra {

class CongestionBar final : public QWidget {
public:
    CongestionBar(double normalizedCongestion, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_normalizedCongestion;
    QColor m_color;
};

} // namespace lumra
