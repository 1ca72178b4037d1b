// What the connection monitor, captive portal and toolbox pages show,
// without Qt.
#pragma once

#include "model/CaptivePortalStatus.h"
#include "model/ConnectionPressureResult.h"
#include "model/SignalQuality.h"
#include "panel/viewmodel/DashboardModel.h"
#include "panel/viewmodel/PanelTexts.h"
#include "viewkit/Sparkline.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumra {

// The monitor's error sentence when present; else "Connection pressure is
// currently <quality>."; else the collecting sentence.
std::string connectionStatusText(const std::optional<std::string>& lastErrorMessage,
                                 const std::optional<ConnectionPressureResult>& latestResult);

struct ConnectionMonitorCardModel {
    // Absent before the first sample: no badge.
    std::optional<BadgeModel> badge;
    // Established, TIME_WAIT, CLOSE_WAIT, then (after the divider) Total and
    // Orphaned; each a trend row over the shared range.
    std::vector<MetricRowModel> rows;
    std::string statusText;

    bool operator==(const ConnectionMonitorCardModel&) const = default;
};

ConnectionMonitorCardModel
makeConnectionMonitorCardModel(const std::optional<ConnectionPressureResult>& latestResult,
                               std::span<const ConnectionPressureResult> history,
                               const std::optional<std::string>& lastErrorMessage);

// The monitor's error sentence when present; else the sentence for the
// status: open, captive (naming how it was seen) or still probing.
std::string captivePortalStatusText(const std::optional<std::string>& lastErrorMessage,
                                    const std::optional<CaptivePortalStatus>& latestStatus);

struct CaptivePortalCardModel {
    BadgeModel badge;
    std::string state;
    std::string reason;
    // The portal's address verbatim, or "—".
    std::string portalURL;
    // Absent shows "—"; the Qt side formats the time in the locale's style.
    std::optional<std::chrono::system_clock::time_point> lastCheck;
    std::string statusText;

    bool operator==(const CaptivePortalCardModel&) const = default;
};

CaptivePortalCardModel
makeCaptivePortalCardModel(const std::optional<CaptivePortalStatus>& latestStatus,
                           const std::optional<std::string>& lastErrorMessage);

// The two cards over the engine's connection and captive-portal monitors.
ConnectionMonitorCardModel connectionMonitorCardModel(const Engine& engine);
CaptivePortalCardModel captivePortalCardModel(const Engine& engine);

// The toolbox's tools, in screen order.
enum class ToolboxTool {
    wifiRadar,
    channelScan,
    speedTest,
    connectionMonitor,
    captivePortal,
    diagnosticsExport
};

struct ToolboxRowModel {
    ToolboxTool tool;
    std::string symbolName;
    std::string title;
    std::string subtitle;
};

std::span<const ToolboxRowModel> toolboxRows();

} // namespace lumra
