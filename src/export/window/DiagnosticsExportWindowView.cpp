#include "export/window/DiagnosticsExportWindowView.h"

#include "qt/PlaceholderView.h"

namespace lumra {

DiagnosticsExportWindowView::DiagnosticsExportWindowView(
    std::shared_ptr<MonitoringLifecycleController>, std::shared_ptr<HealthAggregationController>,
    std::shared_ptr<ConnectionMonitor>, std::shared_ptr<CaptivePortalMonitor>,
    std::shared_ptr<SpeedTestMonitor>, std::shared_ptr<ChannelScanMonitor>, QWidget* parent)
    : QWidget(parent) {
    fillWithPlaceholder(this, QStringLiteral("Diagnostics Export"));
}

} // namespace lumra
