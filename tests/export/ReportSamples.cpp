#include "tests/export/ReportSamples.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <stdexcept>

namespace lumra::test {

using namespace std::chrono_literals;

std::chrono::system_clock::time_point exportTime(std::chrono::milliseconds offset) {
    using namespace std::chrono;
    return sys_days{2026y / March / 1} + 9h + 5min + 7s + offset;
}

DiagnosticsExportInput fullReportInput() {
    const WiFiSnapshot wifi{exportTime(-4250ms),
                            "wlan0",
                            "Café Ünïcode \"Home\"",
                            "aa:bb:cc:dd:ee:01",
                            -58,
                            -92,
                            34,
                            866,
                            36,
                            WiFiBand::fiveGigahertz,
                            "192.168.1.20",
                            false};
    const DiagnosticsSnapshot snapshot{
        exportTime(-3800ms),
        wifi,
        PingResult{PingTarget::router, exportTime(-4000ms), 3.2, 0.4, 0.0, true},
        PingResult{PingTarget::internet, exportTime(-3900ms), 12.345, 1.5, 0.0, true},
        DNSResult{"cloudflare.com", exportTime(-3850ms), 18.0, true},
        HealthState::good};
    return {
        exportTime(750ms),
        "1.4.0",
        "42",
        true,
        false,
        snapshot,
        ConnectionPressureResult{exportTime(-2000ms), TCPConnectionStateCounts{10, 3, 2},
                                 SignalQuality::warning},
        "Connection monitor failed to read TCP states.",
        CaptivePortalStatus{exportTime(-6000ms), false, std::nullopt,
                            *Url::parse("http://captive.apple.com/hotspot-detect.html"),
                            CaptivePortalDetectionReason::none},
        std::nullopt,
        SpeedTestResult{exportTime(-30s), 245.5, 38.49, 12.0, 48.25, 20.5, 4.02, 1.71,
                        BufferbloatGrade::c, BufferbloatGrade::a, true},
        SpeedTestPhase::completed,
        std::nullopt,
        ChannelScanResult{
            exportTime(-60s),
            3,
            9,
            {ChannelCongestionSample{1, WiFiBand::twoPointFourGigahertz, 2, -61.5, 2.1, 1.0}},
            6,
            WiFiBand::twoPointFourGigahertz,
            1.4,
            11,
            WiFiBand::twoPointFourGigahertz,
            true},
        std::nullopt,
    };
}

DiagnosticsExportInput emptyReportInput() {
    return {exportTime(), std::nullopt,         std::nullopt, false,        true,
            std::nullopt, std::nullopt,         std::nullopt, std::nullopt, std::nullopt,
            std::nullopt, SpeedTestPhase::idle, std::nullopt, std::nullopt, std::nullopt};
}

void keepGeneratedReport(const std::string& name, const std::string& text) {
    const char* directory = std::getenv("LUMRA_EXPORT_REPORT_DIR");
    if (directory == nullptr)
        return;
    std::ofstream out(std::string(directory) + "/" + name + ".json",
                      std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot keep the generated report " + name);
}

void useTimeZone(const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
}

} // namespace lumra::test
