#include "panel/widgets/ContentView.h"

#include "qt/PlaceholderView.h"

namespace lumra {

ContentView::ContentView(std::shared_ptr<MonitoringLifecycleController>,
                         std::shared_ptr<LocationPermissionController>,
                         std::shared_ptr<HealthAggregationController>, std::shared_ptr<WiFiMonitor>,
                         std::shared_ptr<PingMonitor>, std::shared_ptr<DNSMonitor>,
                         std::shared_ptr<ConnectionMonitor>, std::shared_ptr<CaptivePortalMonitor>,
                         std::shared_ptr<SpeedTestMonitor>, std::shared_ptr<ChannelScanMonitor>,
                         std::shared_ptr<AppUpdateController>, PanelRoute activePanel,
                         Callbacks callbacks, PlatformServices, QWidget* parent)
    : QWidget(parent), m_activePanel(activePanel), m_callbacks(std::move(callbacks)) {
    fillWithPlaceholder(this, QStringLiteral("Lumra"));
}

} // namespace lumra
