// Everything the dashboard page shows, derived from the observed objects'
// published values on each redraw. Without Qt: the widget maps this to
// children and paints it.
#pragma once

#include "model/CaptivePortalStatus.h"
#include "model/DNSResult.h"
#include "model/HealthState.h"
#include "model/PingResult.h"
#include "model/WiFiSnapshot.h"
#include "panel/viewmodel/PanelTexts.h"
#include "shell/location/LocationPermissionStatus.h"
#include "shell/services/Engine.h"
#include "viewkit/MetricFormat.h"
#include "viewkit/Sparkline.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// The page's fixed texts: its header, switch, sections and buttons.
namespace DashboardText {
inline constexpr std::string_view brandName = "Lumra";
inline constexpr std::string_view subtitle = "Live Wi-Fi diagnostics";
inline constexpr std::string_view toolboxButton = "Open Toolbox";
inline constexpr std::string_view toolboxHelp = "Open diagnostics toolbox.";
inline constexpr std::string_view settingsButton = "Open Settings";
inline constexpr std::string_view settingsHelp = "Open settings.";
inline constexpr std::string_view monitoringSwitch = "Enabled";
inline constexpr std::string_view latencySection = "Latency";
inline constexpr std::string_view dnsSection = "DNS";
inline constexpr std::string_view locationSection = "Location Permission";
inline constexpr std::string_view quitButton = "Quit";
} // namespace DashboardText

// "Connected. Waiting for the first Wi-Fi samples..." when connected without
// a snapshot; the no-Wi-Fi sentence when not connected; otherwise none.
// Consulted only while monitoring is enabled.
std::optional<std::string> dashboardMessage(bool isConnected, bool hasSnapshot);

// The red login banner; none while monitoring is off or no portal is seen.
std::optional<std::string> captivePortalBanner(bool isMonitoringEnabled,
                                               const std::optional<CaptivePortalStatus>& status);

// "ICMP blocked" while the router is ignored, else its latency in ms.
std::string routerPingText(bool isRouterIgnored, const std::optional<PingResult>& routerResult,
                           const NumberSeparators& separators = {});

// What the location button does when clicked, read from the status at that
// moment.
enum class LocationAction { none, requestAuthorization, openSettings };

struct LocationNotice {
    std::string explanation;
    // Absent: no button.
    std::optional<std::string> buttonTitle;

    bool operator==(const LocationNotice&) const = default;
};

LocationNotice locationNotice(LocationPermissionStatus status);
LocationAction locationAction(LocationPermissionStatus status);

// One metric row; a trend row also draws a sparkline of `samples`.
struct MetricRowModel {
    std::string title;
    std::string value;
    // Absent for a plain row without sparkline.
    std::optional<std::vector<double>> samples;
    std::optional<ChartDomain> yDomain;
    StatusColor stroke = StatusColor::green;

    bool operator==(const MetricRowModel&) const = default;
};

struct InlineMessageModel {
    std::string text;
    StatusColor accent;

    bool operator==(const InlineMessageModel&) const = default;
};

// The published values the dashboard reads.
struct DashboardInput {
    bool isMonitoringEnabled = false;
    std::string monitoringStatusText;
    HealthState healthState = HealthState::disconnected;
    bool isConnected = false;
    std::optional<WiFiSnapshot> latestSnapshot;
    std::span<const WiFiSnapshot> wifiHistory;
    std::optional<PingResult> routerResult;
    std::optional<PingResult> internetResult;
    std::span<const PingResult> routerHistory;
    std::span<const PingResult> internetHistory;
    bool isRouterIgnored = false;
    std::optional<DNSResult> dnsResult;
    std::span<const DNSResult> dnsHistory;
    std::optional<CaptivePortalStatus> captiveStatus;
    LocationPermissionStatus locationStatus = LocationPermissionStatus::notDetermined;
};

struct DashboardModel {
    BadgeModel healthBadge;
    bool isMonitoringEnabled = false;
    // "Monitoring" or "Paused".
    std::string monitoringChip;
    // In order: the paused row (orange), the waiting / no-Wi-Fi row
    // (secondary) and the captive-portal banner (red), each only when it applies.
    std::vector<InlineMessageModel> messages;
    WiFiHeaderModel wifiHeader;
    // Link Rate, SNR, Signal, Noise.
    std::vector<MetricRowModel> wifiRows;
    // Router Ping, Internet Ping, Jitter, then the plain Packet Loss row.
    std::vector<MetricRowModel> latencyRows;
    // The plain Domain row, then the Lookup trend row.
    std::vector<MetricRowModel> dnsRows;
    LocationNotice location;

    bool operator==(const DashboardModel&) const = default;
};

// The engine's current values; the spans point into its published histories.
DashboardInput dashboardInput(const Engine& engine);

DashboardModel makeDashboardModel(const DashboardInput& input,
                                  const NumberSeparators& separators = {});

} // namespace lumra
