#include "export/report/DiagnosticsReportWriter.h"

#include "base/DiagnosticLog.h"
#include "model/UnicodeText.h"

#include <cmath>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace lumra {

namespace {

using Report = DiagnosticsExportReport;
// nlohmann's default object is an ordered map by key: every level is sorted
// byte-wise, which for these keys is also the case-insensitive order.
using Json = nlohmann::json;

Json encodeRecord(const Report::AppSection& app);
Json encodeRecord(const Report::RuntimeSection& runtime);
Json encodeRecord(const Report::WiFiData& data);
Json encodeRecord(const Report::LatencySection::PingMetric& data);
Json encodeRecord(const Report::LatencySection::DNSMetric& data);
Json encodeRecord(const Report::ConnectionPressureData& data);
Json encodeRecord(const Report::CaptivePortalData& data);
Json encodeRecord(const Report::SpeedTestData& data);
Json encodeRecord(const Report::ChannelScanData& data);
template <class Data> Json encodeRecord(const Report::SectionEnvelope<Data>& section);
Json encodeRecord(const Report::LatencySection& latency);
Json encodeRecord(const Report::SpeedTestSection& section);

// A keyed object: required members always, optional ones only with a value.
class Members {
public:
    template <class T> Members& required(const char* key, const T& value) {
        m_object[key] = encode(value);
        return *this;
    }
    template <class T> Members& optional(const char* key, const std::optional<T>& value) {
        if (value)
            m_object[key] = encode(*value);
        return *this;
    }
    Json take() { return std::move(m_object); }

private:
    Json m_object = Json::object();

    static Json encode(bool value) { return value; }
    static Json encode(std::int64_t value) { return value; }
    // A network name or a tool's message may hold bytes that are not UTF-8:
    // they are replaced, so one text never costs the whole report.
    static Json encode(const std::string& value) {
        return isValidUtf8(value) ? value : replacingInvalidUtf8(value);
    }
    static Json encode(double value) {
        if (!std::isfinite(value))
            throw DiagnosticsReportEncodingError(
                "A number in the diagnostics report is not finite.");
        return value;
    }
    static Json encode(Report::Date value) { return rfc3339UtcText(value); }
    static Json encode(SectionStatus value) { return std::string(rawValue(value)); }
    template <class Record> static Json encode(const Record& record) {
        return encodeRecord(record);
    }
};

Json encodeRecord(const Report::AppSection& app) {
    return Members()
        .required("name", app.name)
        .optional("version", app.version)
        .optional("build", app.build)
        .take();
}

Json encodeRecord(const Report::RuntimeSection& runtime) {
    return Members()
        .required("monitoringEnabled", runtime.monitoringEnabled)
        .required("batteryFriendlyModeEnabled", runtime.batteryFriendlyModeEnabled)
        .required("healthState", runtime.healthState)
        .optional("diagnosticsCapturedAt", runtime.diagnosticsCapturedAt)
        .take();
}

Json encodeRecord(const Report::WiFiData& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("ssid", data.ssid)
        .optional("bssid", data.bssid)
        .optional("rssiDbm", data.rssiDbm)
        .optional("noiseFloorDbm", data.noiseFloorDbm)
        .optional("snrDb", data.snrDb)
        .optional("linkRateMbps", data.linkRateMbps)
        .optional("channelNumber", data.channelNumber)
        .optional("band", data.band)
        .optional("ipAddress", data.ipAddress)
        .optional("vpnActive", data.vpnActive)
        .take();
}

Json encodeRecord(const Report::LatencySection::PingMetric& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("latencyMilliseconds", data.latencyMilliseconds)
        .optional("jitterMilliseconds", data.jitterMilliseconds)
        .optional("packetLossPercent", data.packetLossPercent)
        .optional("didSucceed", data.didSucceed)
        .take();
}

Json encodeRecord(const Report::LatencySection::DNSMetric& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("domain", data.domain)
        .optional("latencyMilliseconds", data.latencyMilliseconds)
        .optional("didSucceed", data.didSucceed)
        .take();
}

Json encodeRecord(const Report::ConnectionPressureData& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("quality", data.quality)
        .optional("establishedCount", data.establishedCount)
        .optional("timeWaitCount", data.timeWaitCount)
        .optional("closeWaitCount", data.closeWaitCount)
        .optional("totalCount", data.totalCount)
        .optional("orphanedCount", data.orphanedCount)
        .take();
}

Json encodeRecord(const Report::CaptivePortalData& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("isCaptivePortal", data.isCaptivePortal)
        .optional("reason", data.reason)
        .optional("portalURL", data.portalURL)
        .optional("probeURL", data.probeURL)
        .take();
}

Json encodeRecord(const Report::SpeedTestData& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("downloadMbps", data.downloadMbps)
        .optional("uploadMbps", data.uploadMbps)
        .optional("baselineLatencyMilliseconds", data.baselineLatencyMilliseconds)
        .optional("downloadLoadedLatencyMilliseconds", data.downloadLoadedLatencyMilliseconds)
        .optional("uploadLoadedLatencyMilliseconds", data.uploadLoadedLatencyMilliseconds)
        .optional("downloadBufferbloatGrade", data.downloadBufferbloatGrade)
        .optional("uploadBufferbloatGrade", data.uploadBufferbloatGrade)
        .optional("didSucceed", data.didSucceed)
        .take();
}

Json encodeRecord(const Report::ChannelScanData& data) {
    return Members()
        .optional("capturedAt", data.capturedAt)
        .optional("passCount", data.passCount)
        .optional("scannedNetworkCount", data.scannedNetworkCount)
        .optional("currentChannelNumber", data.currentChannelNumber)
        .optional("currentBand", data.currentBand)
        .optional("currentChannelInterferenceScore", data.currentChannelInterferenceScore)
        .optional("suggestedChannelNumber", data.suggestedChannelNumber)
        .optional("suggestedBand", data.suggestedBand)
        .optional("didSucceed", data.didSucceed)
        .take();
}

template <class Data> Json encodeRecord(const Report::SectionEnvelope<Data>& section) {
    return Members()
        .required("status", section.status)
        .optional("errorMessage", section.errorMessage)
        .optional("data", section.data)
        .take();
}

Json encodeRecord(const Report::LatencySection& latency) {
    return Members()
        .required("routerPing", latency.routerPing)
        .required("internetPing", latency.internetPing)
        .required("dnsLookup", latency.dnsLookup)
        .take();
}

Json encodeRecord(const Report::SpeedTestSection& section) {
    return Members()
        .required("phase", section.phase)
        .required("status", section.status)
        .optional("errorMessage", section.errorMessage)
        .optional("data", section.data)
        .take();
}

Json encodeRecord(const Report& report) {
    return Members()
        .required("schemaVersion", report.schemaVersion)
        .required("exportedAt", report.exportedAt)
        .required("app", report.app)
        .required("runtime", report.runtime)
        .required("wifi", report.wifi)
        .required("latency", report.latency)
        .required("connectionPressure", report.connectionPressure)
        .required("captivePortal", report.captivePortal)
        .required("speedTest", report.speedTest)
        .required("channelScan", report.channelScan)
        .take();
}

} // namespace

std::string rfc3339UtcText(std::chrono::system_clock::time_point date) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(date);
    const auto day = floor<days>(seconds);
    const year_month_day calendar(day);
    const hh_mm_ss time(seconds - day);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", static_cast<int>(calendar.year()),
                       static_cast<unsigned>(calendar.month()),
                       static_cast<unsigned>(calendar.day()), time.hours().count(),
                       time.minutes().count(), time.seconds().count());
}

std::string diagnosticsJSONString(const DiagnosticsExportReport& report) {
    const Json document = encodeRecord(report);
    try {
        // Strict: every text was made UTF-8 above, so a failure here is ours.
        return document.dump(2, ' ', false, Json::error_handler_t::strict);
    } catch (const Json::type_error&) {
        throw DiagnosticsReportEncodingError(
            "Unable to convert diagnostics JSON data to UTF-8 string.");
    }
}

std::string diagnosticsReportTextOrFallback(const DiagnosticsExportReport& report) {
    try {
        return diagnosticsJSONString(report);
    } catch (const DiagnosticsReportEncodingError&) {
        LUMRA_LOG_CAUGHT("export", "the report is replaced by its fallback text");
        return std::string(diagnosticsExportFallbackText);
    }
}

} // namespace lumra
