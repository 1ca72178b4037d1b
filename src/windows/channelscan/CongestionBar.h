// A channel's congestion: a track 10 high with a bar on its leading edge,
// at least 2 wide, in its tint at 0.82. Main thread.
#pragma once

#include "viewkit/StatusColor.h"

#include <QColor>
#include <QWidget>

namespace lumra {

class CongestionBar final : public QWidget {
public:
    // fraction: 0...1 of the track.
    CongestionBar(double fraction, StatusColor tint, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction;
    QColor m_color;
};

} // namespace lumra
