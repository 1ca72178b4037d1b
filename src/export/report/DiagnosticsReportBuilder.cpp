#include "export/report/DiagnosticsReportBuilder.h"

#include "model/BufferbloatGrade.h"
#include "model/CaptivePortalDetectionReason.h"
#include "model/HealthState.h"
#include "model/SignalQuality.h"
#include "model/WiFiBand.h"

#include <cmath>
#include <cstdint>

namespace lumra {

namespace {

using Report = DiagnosticsExportReport;

std::optional<double> finite(std::optional<double> value) {
    if (value && !std::isfinite(*value))
        return std::nullopt;
    return value;
}

template <TextEnum E> std::optional<std::string> text(std::optional<E> value) {
    if (!value)
        return std::nullopt;
    return std::string(rawValue(*value));
}

template <TextEnum E> std::string text(E value) {
    return std::string(rawValue(value));
}

template <class Data, class Source, class Map>
Report::SectionEnvelope<Data> envelope(const std::optional<Source>& source, Map map,
                                       std::optional<std::string> errorMessage = std::nullopt) {
    if (!source)
        return {SectionStatus::unavailable, std::move(errorMessage), std::nullopt};
    return {SectionStatus::available, std::move(errorMessage), map(*source)};
}

Report::WiFiData wifiData(const WiFiSnapshot& reading) {
    return {reading.timestamp,     reading.ssid,      reading.bssid,        reading.rssiDbm,
            reading.noiseFloorDbm, reading.snrDb,     reading.linkRateMbps, reading.channelNumber,
            text(reading.band),    reading.ipAddress, reading.isVPNActive};
}

Report::LatencySection::PingMetric pingMetric(const PingResult& result) {
    return {result.timestamp, finite(result.latencyMilliseconds), finite(result.jitterMilliseconds),
            finite(result.packetLossPercent), result.didSucceed};
}

Report::LatencySection::DNSMetric dnsMetric(const DNSResult& result) {
    return {result.timestamp, result.domain, finite(result.latencyMilliseconds), result.didSucceed};
}

std::optional<std::int64_t> sum(std::int64_t a, std::int64_t b) {
    std::int64_t total = 0;
    if (__builtin_add_overflow(a, b, &total))
        return std::nullopt;
    return total;
}

// A sum that does not fit is left out: no wrong count is written.
Report::ConnectionPressureData connectionData(const ConnectionPressureResult& result) {
    const auto& counts = result.counts;
    const auto orphaned = sum(counts.timeWait, counts.closeWait);
    const auto total = orphaned ? sum(counts.established, *orphaned) : std::nullopt;
    return {result.timestamp, text(result.quality), counts.established,
            counts.timeWait,  counts.closeWait,     total,
            orphaned};
}

} // namespace

Report::CaptivePortalData captivePortalData(const CaptivePortalStatus& status) {
    std::optional<std::string> portal;
    if (status.portalURL)
        portal = status.portalURL->absoluteString();
    std::optional<std::string> probe;
    if (status.probeURL)
        probe = status.probeURL->absoluteString();
    return {status.timestamp, status.isCaptivePortal, text(status.reason), portal, probe};
}

Report::SpeedTestData speedTestData(const SpeedTestResult& result) {
    return {result.timestamp,
            finite(result.downloadMbps),
            finite(result.uploadMbps),
            finite(result.baselineLatencyMilliseconds),
            finite(result.downloadLoadedLatencyMilliseconds),
            finite(result.uploadLoadedLatencyMilliseconds),
            text(result.downloadBufferbloatGrade),
            text(result.uploadBufferbloatGrade),
            result.didSucceed};
}

Report::ChannelScanData channelScanData(const ChannelScanResult& result) {
    return {result.timestamp,
            result.passCount,
            result.scannedNetworkCount,
            result.currentChannelNumber,
            text(result.currentBand),
            finite(result.currentChannelInterferenceScore),
            result.suggestedChannelNumber,
            text(result.suggestedBand),
            result.didSucceed};
}

DiagnosticsExportReport buildDiagnosticsExportReport(const DiagnosticsExportInput& input) {
    const auto& snapshot = input.diagnosticsSnapshot;
    const auto part = [&snapshot](auto member) {
        return snapshot ? (*snapshot).*member : decltype((*snapshot).*member){};
    };

    Report::RuntimeSection runtime{input.monitoringEnabled, input.batteryFriendlyModeEnabled,
                                   text(HealthState::disconnected), std::nullopt};
    if (snapshot) {
        runtime.healthState = text(snapshot->healthState);
        runtime.diagnosticsCapturedAt = snapshot->timestamp;
    }

    return {
        Report::currentSchemaVersion,
        input.exportedAt,
        {"Lumra", input.appVersion, input.appBuild},
        runtime,
        envelope<Report::WiFiData>(part(&DiagnosticsSnapshot::wifiSnapshot), wifiData),
        {envelope<Report::LatencySection::PingMetric>(part(&DiagnosticsSnapshot::routerPingResult),
                                                      pingMetric),
         envelope<Report::LatencySection::PingMetric>(
             part(&DiagnosticsSnapshot::internetPingResult), pingMetric),
         envelope<Report::LatencySection::DNSMetric>(part(&DiagnosticsSnapshot::dnsResult),
                                                     dnsMetric)},
        envelope<Report::ConnectionPressureData>(input.connectionResult, connectionData,
                                                 input.connectionLastErrorMessage),
        envelope<Report::CaptivePortalData>(input.captivePortalStatus, captivePortalData,
                                            input.captivePortalLastErrorMessage),
        {text(input.speedTestPhase),
         input.speedTestResult ? SectionStatus::available : SectionStatus::unavailable,
         input.speedTestLastErrorMessage,
         input.speedTestResult ? std::optional(speedTestData(*input.speedTestResult))
                               : std::nullopt},
        envelope<Report::ChannelScanData>(input.channelScanResult, channelScanData,
                                          input.channelScanLastErrorMessage),
    };
}

} // namespace lumra
