// The Wi-Fi Radar window's content, built once by the menu-bar controller
// and kept while the window is hidden; its own radar feed and nearby-network
// scanner come from services. Main thread.
#pragma once

#include "monitoring/wifi/WiFiMonitor.h"
#include "shell/services/PlatformServices.h"

#include <QWidget>
#include <memory>

namespace lumra {

class WiFiRadarWindowView final : public QWidget {
public:
    WiFiRadarWindowView(std::shared_ptr<WiFiMonitor> wifiMonitor, PlatformServices services,
                        QWidget* parent = nullptr);

private:
    std::shared_ptr<WiFiMonitor> m_wifiMonitor;
    PlatformServices m_services;
};

} // namespace lumra
