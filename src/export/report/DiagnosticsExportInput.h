// Every value a report is built from, read from the monitors in one step when
// a collection is finalised.
#pragma once

#include "model/CaptivePortalStatus.h"
#include "model/ChannelScanResult.h"
#include "model/ConnectionPressureResult.h"
#include "model/DiagnosticsSnapshot.h"
#include "model/SpeedTestPhase.h"
#include "model/SpeedTestResult.h"

#include <chrono>
#include <optional>
#include <string>

namespace lumra {

struct DiagnosticsExportInput {
    std::chrono::system_clock::time_point exportedAt;
    std::optional<std::string> appVersion;
    std::optional<std::string> appBuild;
    bool monitoringEnabled;
    bool batteryFriendlyModeEnabled;
    std::optional<DiagnosticsSnapshot> diagnosticsSnapshot;
    std::optional<ConnectionPressureResult> connectionResult;
    std::optional<std::string> connectionLastErrorMessage;
    std::optional<CaptivePortalStatus> captivePortalStatus;
    std::optional<std::string> captivePortalLastErrorMessage;
    std::optional<SpeedTestResult> speedTestResult;
    SpeedTestPhase speedTestPhase;
    std::optional<std::string> speedTestLastErrorMessage;
    std::optional<ChannelScanResult> channelScanResult;
    std::optional<std::string> channelScanLastErrorMessage;
};

} // namespace lumra
