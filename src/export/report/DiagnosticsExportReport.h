// The diagnostics report held in memory: one value per report, built once by
// buildDiagnosticsExportReport and written once by diagnosticsJSONString.
// Enumerated values are held as their texts, exactly as the document shows
// them. An absent optional is a key the document leaves out.
#pragma once

#include "model/TextEnum.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace lumra {

enum class SectionStatus {
    available,
    unavailable,
};

template <> struct TextEnumTraits<SectionStatus> {
    static constexpr std::array<std::pair<SectionStatus, std::string_view>, 2> cases{{
        {SectionStatus::available, "available"},
        {SectionStatus::unavailable, "unavailable"},
    }};
};

struct DiagnosticsExportReport {
    using Date = std::chrono::system_clock::time_point;

    // The version of the document's layout written by this system.
    static constexpr std::int64_t currentSchemaVersion = 2;

    struct AppSection {
        std::string name;
        std::optional<std::string> version;
        std::optional<std::string> build;

        bool operator==(const AppSection&) const = default;
    };

    struct RuntimeSection {
        bool monitoringEnabled;
        bool batteryFriendlyModeEnabled;
        std::string healthState;
        std::optional<Date> diagnosticsCapturedAt;

        bool operator==(const RuntimeSection&) const = default;
    };

    // status says whether data is present; errorMessage is the section
    // monitor's last sentence, independent of status.
    template <class Data> struct SectionEnvelope {
        SectionStatus status;
        std::optional<std::string> errorMessage;
        std::optional<Data> data;

        bool operator==(const SectionEnvelope&) const = default;
    };

    // In the data records every field is optional; the builder fills those
    // the report always carries.
    struct WiFiData {
        std::optional<Date> capturedAt;
        std::optional<std::string> ssid;
        std::optional<std::string> bssid;
        std::optional<std::int64_t> rssiDbm;
        std::optional<std::int64_t> noiseFloorDbm;
        std::optional<std::int64_t> snrDb;
        std::optional<std::int64_t> linkRateMbps;
        std::optional<std::int64_t> channelNumber;
        std::optional<std::string> band;
        std::optional<std::string> ipAddress;
        std::optional<bool> vpnActive;

        bool operator==(const WiFiData&) const = default;
    };

    struct LatencySection {
        struct PingMetric {
            std::optional<Date> capturedAt;
            std::optional<double> latencyMilliseconds;
            std::optional<double> jitterMilliseconds;
            std::optional<double> packetLossPercent;
            std::optional<bool> didSucceed;

            bool operator==(const PingMetric&) const = default;
        };

        struct DNSMetric {
            std::optional<Date> capturedAt;
            std::optional<std::string> domain;
            std::optional<double> latencyMilliseconds;
            std::optional<bool> didSucceed;

            bool operator==(const DNSMetric&) const = default;
        };

        SectionEnvelope<PingMetric> routerPing;
        SectionEnvelope<PingMetric> internetPing;
        SectionEnvelope<DNSMetric> dnsLookup;

        bool operator==(const LatencySection&) const = default;
    };

    struct ConnectionPressureData {
        std::optional<Date> capturedAt;
        std::optional<std::string> quality;
        std::optional<std::int64_t> establishedCount;
        std::optional<std::int64_t> timeWaitCount;
        std::optional<std::int64_t> closeWaitCount;
        std::optional<std::int64_t> totalCount;
        std::optional<std::int64_t> orphanedCount;

        bool operator==(const ConnectionPressureData&) const = default;
    };

    struct CaptivePortalData {
        std::optional<Date> capturedAt;
        std::optional<bool> isCaptivePortal;
        std::optional<std::string> reason;
        std::optional<std::string> portalURL;
        std::optional<std::string> probeURL;

        bool operator==(const CaptivePortalData&) const = default;
    };

    struct SpeedTestData {
        std::optional<Date> capturedAt;
        std::optional<double> downloadMbps;
        std::optional<double> uploadMbps;
        std::optional<double> baselineLatencyMilliseconds;
        std::optional<double> downloadLoadedLatencyMilliseconds;
        std::optional<double> uploadLoadedLatencyMilliseconds;
        std::optional<std::string> downloadBufferbloatGrade;
        std::optional<std::string> uploadBufferbloatGrade;
        std::optional<bool> didSucceed;

        bool operator==(const SpeedTestData&) const = default;
    };

    // Not an envelope: it also carries the test's phase.
    struct SpeedTestSection {
        std::string phase;
        SectionStatus status;
        std::optional<std::string> errorMessage;
        std::optional<SpeedTestData> data;

        bool operator==(const SpeedTestSection&) const = default;
    };

    struct ChannelScanData {
        std::optional<Date> capturedAt;
        std::optional<std::int64_t> passCount;
        std::optional<std::int64_t> scannedNetworkCount;
        std::optional<std::int64_t> currentChannelNumber;
        std::optional<std::string> currentBand;
        std::optional<double> currentChannelInterferenceScore;
        std::optional<std::int64_t> suggestedChannelNumber;
        std::optional<std::string> suggestedBand;
        std::optional<bool> didSucceed;

        bool operator==(const ChannelScanData&) const = default;
    };

    std::int64_t schemaVersion;
    Date exportedAt;
    AppSection app;
    RuntimeSection runtime;
    SectionEnvelope<WiFiData> wifi;
    LatencySection latency;
    SectionEnvelope<ConnectionPressureData> connectionPressure;
    SectionEnvelope<CaptivePortalData> captivePortal;
    SpeedTestSection speedTest;
    SectionEnvelope<ChannelScanData> channelScan;

    bool operator==(const DiagnosticsExportReport&) const = default;
};

} // namespace lumra

template <> struct std::hash<lumra::SectionStatus> : lumra::TextEnumHash<lumra::SectionStatus> {};
