#include "panel/viewmodel/OverlayCardModels.h"

#include "panel/viewmodel/PanelSeries.h"

#include <array>
#include <fmt/format.h>

namespace lumra {

std::string connectionStatusText(const std::optional<std::string>& lastErrorMessage,
                                 const std::optional<ConnectionPressureResult>& latestResult) {
    if (lastErrorMessage) {
        return *lastErrorMessage;
    }
    if (latestResult) {
        return fmt::format("Connection pressure is currently {}.", rawValue(latestResult->quality));
    }
    return "Collecting TCP connection state counts from netstat.";
}

ConnectionMonitorCardModel
makeConnectionMonitorCardModel(const std::optional<ConnectionPressureResult>& latestResult,
                               std::span<const ConnectionPressureResult> history,
                               const std::optional<std::string>& lastErrorMessage) {
    ConnectionMonitorCardModel model;
    auto total = totalConnectionHistory(history);
    auto orphaned = orphanedConnectionHistory(history);
    std::vector<double> combined = total;
    combined.insert(combined.end(), orphaned.begin(), orphaned.end());
    // One range for every row, so their trends compare.
    const ChartDomain domain = connectionChartDomain(combined);

    const auto count = [&](auto read) {
        return latestResult ? fmt::format("{}", read(latestResult->counts))
                            : std::string{kMissingValueText};
    };
    using Counts = TCPConnectionStateCounts;
    model.rows = {
        {"Established", count([](const Counts& c) { return c.established; }),
         establishedHistory(history), domain, StatusColor::green},
        {"TIME_WAIT", count([](const Counts& c) { return c.timeWait; }), timeWaitHistory(history),
         domain, StatusColor::orange},
        {"CLOSE_WAIT", count([](const Counts& c) { return c.closeWait; }),
         closeWaitHistory(history), domain, StatusColor::red},
        {"Total", count([](const Counts& c) { return c.established + c.timeWait + c.closeWait; }),
         std::move(total), domain, StatusColor::white},
        {"Orphaned", count([](const Counts& c) { return c.timeWait + c.closeWait; }),
         std::move(orphaned), domain, StatusColor::yellow},
    };
    if (latestResult) {
        model.badge = signalQualityBadge(latestResult->quality);
    }
    model.statusText = connectionStatusText(lastErrorMessage, latestResult);
    return model;
}

std::string captivePortalStatusText(const std::optional<std::string>& lastErrorMessage,
                                    const std::optional<CaptivePortalStatus>& latestStatus) {
    if (lastErrorMessage) {
        return *lastErrorMessage;
    }
    if (!latestStatus) {
        return "Running periodic captive portal probes.";
    }
    if (!latestStatus->isCaptivePortal) {
        return "No captive portal detected.";
    }
    // A captive status always names how it was seen; an unexpected "none"
    // still reads as a whole sentence.
    const char* phrase = latestStatus->reason == CaptivePortalDetectionReason::redirect
                             ? "an HTTP redirect"
                             : "unexpected probe content";
    return fmt::format("Captive portal detected via {}.", phrase);
}

CaptivePortalCardModel
makeCaptivePortalCardModel(const std::optional<CaptivePortalStatus>& latestStatus,
                           const std::optional<std::string>& lastErrorMessage) {
    CaptivePortalCardModel model;
    model.statusText = captivePortalStatusText(lastErrorMessage, latestStatus);
    model.portalURL = std::string{kMissingValueText};
    if (!latestStatus) {
        model.badge = signalQualityBadge(SignalQuality::warning);
        model.state = "Unknown";
        model.reason = "Awaiting probes";
        return model;
    }
    model.badge = signalQualityBadge(latestStatus->isCaptivePortal ? SignalQuality::poor
                                                                   : SignalQuality::good);
    model.state = latestStatus->isCaptivePortal ? "Captive" : "Open Internet";
    switch (latestStatus->reason) {
    case CaptivePortalDetectionReason::none:
        model.reason = "No anomalies";
        break;
    case CaptivePortalDetectionReason::redirect:
        model.reason = "HTTP redirect detected";
        break;
    case CaptivePortalDetectionReason::contentInjection:
        model.reason = "Probe content mismatch";
        break;
    }
    if (latestStatus->portalURL) {
        model.portalURL = latestStatus->portalURL->absoluteString();
    }
    model.lastCheck = latestStatus->timestamp;
    return model;
}

std::span<const ToolboxRowModel> toolboxRows() {
    static const std::array<ToolboxRowModel, 6> rows{{
        {ToolboxTool::wifiRadar, "scope", "Wi-Fi Radar",
         "See live signal strength and nearby network crowding."},
        {ToolboxTool::channelScan, "dot.radiowaves.left.and.right", "Channel Scan",
         "Scan nearby networks and suggest a cleaner channel."},
        {ToolboxTool::speedTest, "speedometer", "Speed Test",
         "Measure throughput and bufferbloat with Cloudflare's speed test."},
        {ToolboxTool::connectionMonitor, "point.3.connected.trianglepath.dotted",
         "Connection Monitor", "Track TCP connection pressure from socket state activity."},
        {ToolboxTool::captivePortal, "wifi.exclamationmark", "Captive Portal",
         "Detect captive portal redirects and injected login pages."},
        {ToolboxTool::diagnosticsExport, "square.and.arrow.up.on.square", "Diagnostics Export",
         "Capture current network diagnostics and export them as JSON."},
    }};
    return rows;
}

ConnectionMonitorCardModel connectionMonitorCardModel(const Engine& engine) {
    const auto& monitor = *engine.connectionMonitor;
    return makeConnectionMonitorCardModel(monitor.latestResult().get(), monitor.history().get(),
                                          monitor.lastErrorMessage().get());
}

CaptivePortalCardModel captivePortalCardModel(const Engine& engine) {
    const auto& monitor = *engine.captivePortalMonitor;
    return makeCaptivePortalCardModel(monitor.latestStatus().get(),
                                      monitor.lastErrorMessage().get());
}

} // namespace lumra
