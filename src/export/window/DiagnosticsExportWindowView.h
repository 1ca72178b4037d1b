// The Diagnostics Export window's content, built once by the menu-bar
// controller and kept, with its state, while the window is hidden. Main
// thread.
#pragma once

#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"

#include <QWidget>
#include <memory>

namespace lumra {

class DiagnosticsExportWindowView final : public QWidget {
public:
    DiagnosticsExportWindowView(
        std::shared_ptr<MonitoringLifecycleController> lifecycleController,
        std::shared_ptr<HealthAggregationController> healthAggregationController,
        std::shared_ptr<ConnectionMonitor> connectionMonitor,
        std::shared_ptr<CaptivePortalMonitor> captivePortalMonitor,
        std::shared_ptr<SpeedTestMonitor> speedTestMonitor,
        std::shared_ptr<ChannelScanMonitor> channelScanMonitor, QWidget* parent = nullptr);
};

} // namespace lumra
