// The Speed Test window's content, built once by the menu-bar controller and
// kept while the window is hidden. Main thread.
#pragma once

#include "monitoring/speedtest/SpeedTestMonitor.h"

#include <QWidget>
#include <memory>

namespace lumra {

class SpeedTestWindowView final : public QWidget {
public:
    // headerContentSpacing: points between the header and the content.
    SpeedTestWindowView(std::shared_ptr<SpeedTestMonitor> speedTestMonitor,
                        double headerContentSpacing, QWidget* parent = nullptr);

private:
    std::shared_ptr<SpeedTestMonitor> m_speedTestMonitor;
    double m_headerContentSpacing;
};

} // namespace lumra
