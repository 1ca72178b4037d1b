#include "windows/speedtest/SpeedTestWindowView.h"

#include "qt/PlaceholderView.h"

namespace lumra {

SpeedTestWindowView::SpeedTestWindowView(std::shared_ptr<SpeedTestMonitor> speedTestMonitor,
                                         double headerContentSpacing, QWidget* parent)
    : QWidget(parent), m_speedTestMonitor(std::move(speedTestMonitor)),
      m_headerContentSpacing(headerContentSpacing) {
    fillWithPlaceholder(this, QStringLiteral("Speed Test"));
}

} // namespace lumra
