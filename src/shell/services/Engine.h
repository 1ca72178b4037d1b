// The monitors and controllers the composition root builds once, handed as
// one value to everything that reads them: the popover, the tool windows, the
// export, the tests and the benches. Each view-model's input is read from it
// by a Qt-free function. A part not built (a bench that needs no update
// controller) stays null. Main actor.
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
#include "shell/location/LocationPermissionController.h"
#include "shell/update/AppUpdateController.h"

#include <memory>
#include <vector>

namespace lumra {

struct Engine {
    std::shared_ptr<WiFiMonitor> wifiMonitor{};
    std::shared_ptr<PingMonitor> pingMonitor{};
    std::shared_ptr<DNSMonitor> dnsMonitor{};
    std::shared_ptr<ConnectionMonitor> connectionMonitor{};
    std::shared_ptr<CaptivePortalMonitor> captivePortalMonitor{};
    std::shared_ptr<SpeedTestMonitor> speedTestMonitor{};
    std::shared_ptr<ChannelScanMonitor> channelScanMonitor{};
    std::shared_ptr<MonitoringLifecycleController> lifecycleController{};
    std::shared_ptr<HealthAggregationController> healthAggregationController{};
    std::shared_ptr<LocationPermissionController> locationPermissionController{};
    std::shared_ptr<AppUpdateController> appUpdateController{};
};

// Every part that is built, for a view that redraws on any change.
inline std::vector<const ObservableObject*> observedParts(const Engine& engine) {
    const ObservableObject* parts[] = {engine.lifecycleController.get(),
                                       engine.locationPermissionController.get(),
                                       engine.healthAggregationController.get(),
                                       engine.wifiMonitor.get(),
                                       engine.pingMonitor.get(),
                                       engine.dnsMonitor.get(),
                                       engine.connectionMonitor.get(),
                                       engine.captivePortalMonitor.get(),
                                       engine.speedTestMonitor.get(),
                                       engine.channelScanMonitor.get(),
                                       engine.appUpdateController.get()};
    std::vector<const ObservableObject*> built;
    for (const ObservableObject* part : parts) {
        if (part != nullptr)
            built.push_back(part);
    }
    return built;
}

} // namespace lumra
