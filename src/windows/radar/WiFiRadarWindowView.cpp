#include "windows/radar/WiFiRadarWindowView.h"

#include "qt/PlaceholderView.h"

namespace lumra {

WiFiRadarWindowView::WiFiRadarWindowView(std::shared_ptr<WiFiMonitor> wifiMonitor,
                                         PlatformServices services, QWidget* parent)
    : QWidget(parent), m_wifiMonitor(std::move(wifiMonitor)), m_services(std::move(services)) {
    fillWithPlaceholder(this, QStringLiteral("Wi-Fi Radar"));
}

} // namespace lumra
