// The popover's whole content, built once by the menu-bar controller with
// the objects it observes, its first page and the controller's callbacks.
// Main thread.
#pragma once

#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "panel/viewmodel/PanelRoute.h"
#include "shell/location/LocationPermissionController.h"
#include "shell/services/PlatformServices.h"
#include "shell/update/AppUpdateController.h"

#include <QWidget>
#include <functional>
#include <memory>

namespace lumra {

class ContentView final : public QWidget {
public:
    // What the view calls; each returns nothing and never fails.
    struct Callbacks {
        std::function<void(double)> onPreferredPopoverHeightChange;
        std::function<void()> onOpenWiFiRadar;
        std::function<void()> onOpenSpeedTestWindow;
        std::function<void()> onOpenChannelScanWindow;
        std::function<void()> onOpenDiagnosticsExport;
        std::function<void()> onQuit;
    };

    // services makes the settings page's own launch-at-login controller.
    ContentView(std::shared_ptr<MonitoringLifecycleController> lifecycleController,
                std::shared_ptr<LocationPermissionController> locationPermissionController,
                std::shared_ptr<HealthAggregationController> healthAggregationController,
                std::shared_ptr<WiFiMonitor> wifiMonitor, std::shared_ptr<PingMonitor> pingMonitor,
                std::shared_ptr<DNSMonitor> dnsMonitor,
                std::shared_ptr<ConnectionMonitor> connectionMonitor,
                std::shared_ptr<CaptivePortalMonitor> captivePortalMonitor,
                std::shared_ptr<SpeedTestMonitor> speedTestMonitor,
                std::shared_ptr<ChannelScanMonitor> channelScanMonitor,
                std::shared_ptr<AppUpdateController> appUpdateController, PanelRoute activePanel,
                Callbacks callbacks, PlatformServices services, QWidget* parent = nullptr);

    PanelRoute activePanel() const { return m_activePanel; }

private:
    PanelRoute m_activePanel;
    Callbacks m_callbacks;
};

} // namespace lumra
