#include "panel/viewmodel/DashboardModel.h"

#include "panel/viewmodel/PanelSeries.h"

#include <fmt/format.h>

namespace lumra {

namespace {

template <class Integer>
std::string integerWithUnit(const std::optional<Integer>& value, std::string_view unit) {
    if (!value) {
        return std::string{kMissingValueText};
    }
    return fmt::format("{} {}", *value, unit);
}

template <class Field>
std::optional<double> fieldOf(const std::optional<PingResult>& result, Field field) {
    if (!result) {
        return std::nullopt;
    }
    return (*result).*field;
}

} // namespace

std::optional<std::string> dashboardMessage(bool isConnected, bool hasSnapshot) {
    if (!isConnected) {
        return "No Wi-Fi connection detected. Connect to a network to see diagnostics.";
    }
    if (!hasSnapshot) {
        return "Connected. Waiting for the first Wi-Fi samples...";
    }
    return std::nullopt;
}

std::optional<std::string> captivePortalBanner(bool isMonitoringEnabled,
                                               const std::optional<CaptivePortalStatus>& status) {
    if (!isMonitoringEnabled || !status || !status->isCaptivePortal) {
        return std::nullopt;
    }
    if (status->portalURL && !status->portalURL->absoluteString().empty()) {
        return "Captive portal detected. Login may be required at " +
               status->portalURL->absoluteString() + ".";
    }
    return "Captive portal detected. Login may be required before internet access works.";
}

std::string routerPingText(bool isRouterIgnored, const std::optional<PingResult>& routerResult,
                           const NumberSeparators& separators) {
    if (isRouterIgnored) {
        return "ICMP blocked";
    }
    return formatMetricValue(fieldOf(routerResult, &PingResult::latencyMilliseconds), "ms", 1,
                             separators);
}

LocationNotice locationNotice(LocationPermissionStatus status) {
    switch (status) {
    case LocationPermissionStatus::notDetermined:
        return {"Location permission is only needed to read this computer's current Wi-Fi SSID and "
                "BSSID for local diagnostics. Lumra does not use, store, or send your location.",
                "Allow Location Access"};
    case LocationPermissionStatus::denied:
        return {"Location permission is off, so SSID and BSSID are unavailable. Lumra only uses "
                "this permission locally for Wi-Fi diagnostics and does not use, store, or send "
                "your location.",
                "Open Settings"};
    case LocationPermissionStatus::restricted:
        return {"Location permission is restricted on this computer, so SSID and BSSID may remain "
                "unavailable. Lumra only uses this permission locally for Wi-Fi diagnostics and "
                "does not use, store, or send your location.",
                "Open Settings"};
    case LocationPermissionStatus::authorized:
        break;
    }
    return {"Location permission is enabled so Lumra can read SSID and BSSID locally for "
            "diagnostics. Your location is not used, stored, or sent anywhere.",
            std::nullopt};
}

LocationAction locationAction(LocationPermissionStatus status) {
    switch (status) {
    case LocationPermissionStatus::denied:
    case LocationPermissionStatus::restricted:
        return LocationAction::openSettings;
    case LocationPermissionStatus::notDetermined:
        return LocationAction::requestAuthorization;
    case LocationPermissionStatus::authorized:
        break;
    }
    return LocationAction::none;
}

DashboardInput dashboardInput(const Engine& engine) {
    DashboardInput input;
    const auto& lifecycle = *engine.lifecycleController;
    const auto& wifi = *engine.wifiMonitor;
    const auto& ping = *engine.pingMonitor;
    input.isMonitoringEnabled = lifecycle.isMonitoringEnabled().get();
    input.monitoringStatusText = lifecycle.statusText();
    input.healthState = engine.healthAggregationController->healthState().get();
    input.isConnected = wifi.isConnected().get();
    input.latestSnapshot = wifi.latestSnapshot().get();
    input.wifiHistory = wifi.history().get();
    input.routerResult = ping.routerResult().get();
    input.internetResult = ping.internetResult().get();
    input.routerHistory = ping.routerHistory().get();
    input.internetHistory = ping.internetHistory().get();
    input.isRouterIgnored = ping.isRouterIgnored().get();
    input.dnsResult = engine.dnsMonitor->latestResult().get();
    input.dnsHistory = engine.dnsMonitor->history().get();
    input.captiveStatus = engine.captivePortalMonitor->latestStatus().get();
    input.locationStatus = engine.locationPermissionController->status().get();
    return input;
}

DashboardModel makeDashboardModel(const DashboardInput& input, const NumberSeparators& separators) {
    DashboardModel model;
    model.healthBadge = healthStateBadge(input.healthState);
    model.isMonitoringEnabled = input.isMonitoringEnabled;
    model.monitoringChip = input.isMonitoringEnabled ? "Monitoring" : "Paused";
    if (!input.isMonitoringEnabled) {
        model.messages.push_back({input.monitoringStatusText, StatusColor::orange});
    } else if (auto message =
                   dashboardMessage(input.isConnected, input.latestSnapshot.has_value())) {
        model.messages.push_back({std::move(*message), StatusColor::secondary});
    }
    if (auto banner = captivePortalBanner(input.isMonitoringEnabled, input.captiveStatus)) {
        model.messages.push_back({std::move(*banner), StatusColor::red});
    }
    model.wifiHeader = wifiHeaderModel(input.latestSnapshot, input.isConnected);

    const auto& snapshot = input.latestSnapshot;
    const auto linkRates = linkRateHistory(input.wifiHistory);
    model.wifiRows = {
        {"Link Rate", integerWithUnit(snapshot ? snapshot->linkRateMbps : std::nullopt, "Mbps"),
         linkRates, linkRateChartDomain(linkRates), StatusColor::green},
        {"SNR", integerWithUnit(snapshot ? snapshot->snrDb : std::nullopt, "dB"),
         snrHistory(input.wifiHistory), kSNRChartDomain, StatusColor::yellow},
        {"Signal",
         integerWithUnit(snapshot ? std::optional{snapshot->rssiDbm} : std::nullopt, "dBm"),
         rssiHistory(input.wifiHistory), kSignalChartDomain, StatusColor::orange},
        {"Noise",
         integerWithUnit(snapshot ? std::optional{snapshot->noiseFloorDbm} : std::nullopt, "dBm"),
         noiseHistory(input.wifiHistory), kNoiseChartDomain, StatusColor::green},
    };

    const auto& internet = input.internetResult;
    model.latencyRows = {
        {"Router Ping", routerPingText(input.isRouterIgnored, input.routerResult, separators),
         pingLatencyHistory(input.routerHistory), kRouterPingChartDomain, StatusColor::red},
        {"Internet Ping",
         formatMetricValue(fieldOf(internet, &PingResult::latencyMilliseconds), "ms", 1,
                           separators),
         pingLatencyHistory(input.internetHistory), kInternetPingChartDomain, StatusColor::orange},
        {"Jitter",
         formatMetricValue(fieldOf(internet, &PingResult::jitterMilliseconds), "ms", 1, separators),
         internetJitterHistory(input.internetHistory), kJitterChartDomain, StatusColor::yellow},
        {"Packet Loss",
         formatPercentValue(internet ? std::optional{internet->packetLossPercent} : std::nullopt, 0,
                            separators),
         std::nullopt, std::nullopt, StatusColor::green},
    };

    const auto& dns = input.dnsResult;
    model.dnsRows = {
        {"Domain", dns ? dns->domain : std::string{kMissingValueText}, std::nullopt, std::nullopt,
         StatusColor::green},
        {"Lookup",
         formatMetricValue(dns ? dns->latencyMilliseconds : std::nullopt, "ms", 1, separators),
         dnsLatencyHistory(input.dnsHistory), kDNSLookupChartDomain, StatusColor::green},
    };
    model.location = locationNotice(input.locationStatus);
    return model;
}

} // namespace lumra
