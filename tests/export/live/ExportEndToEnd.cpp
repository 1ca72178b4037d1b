// One diagnostics collection over the real monitors, run inside the client
// namespace of bench/speedtest/run.sh: the speed test against that run's
// server (as the speed-test service, latency probed by ping), the polled
// monitors over their real probes, and the channel scan over a scripted
// scanner (the namespace has no radio). Writes the report's text to a file
// and checks that its speed-test section is available with figures near
// the shaped rate.
//
//   export_end_to_end SERVICE_URL SERVER_IP RATE_MBIT REPORT_FILE
#include "concurrency/RunLoop.h"
#include "export/collection/DiagnosticsExportViewModel.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "platform/http/CurlHttpClient.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/captive/CaptivePortalProbe.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/speedtest/CloudflareSpeedTestRunner.h"
#include "probes/speedtest/PingProbeLatencyProber.h"
#include "probes/tcp/CommandLineTCPConnectionCounter.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "systool/SystoolPath.h"

#include <charconv>
#include <chrono>
#include <curl/curl.h>
#include <fmt/format.h>
#include <fstream>
#include <nlohmann/json.hpp>

namespace {

using namespace lumra;
using namespace std::chrono_literals;

// Two access points, heard on every pass.
class ScriptedScanner final : public WiFiNetworkScanning {
public:
    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        co_await sleepFor(200ms);
        co_return std::vector<WiFiScannedNetwork>{
            {"one", "02:00:00:00:00:01", -40, 1, WiFiBand::twoPointFourGigahertz},
            {"six", "02:00:00:00:00:06", -50, 6, WiFiBand::twoPointFourGigahertz},
        };
    }
};

int run(const std::string& service, const std::string& serverIp, double rateMbit,
        const std::string& reportFile) {
    RunLoop loop;
    const auto now = [] {
        return std::chrono::system_clock::now();
    };
    auto sleeper = std::make_shared<TaskSleeper>();
    auto commands = std::make_shared<ShellCommandRunner>(makeAllowedExecutables(),
                                                         makeStandInExecutables(kSystoolPath));
    auto http = std::make_shared<CurlHttpClient>();
    const auto noWiFiName = [] {
        return std::optional<std::string>();
    };

    auto wifi = WiFiMonitor::create(
        std::make_shared<CoreWLANInterfaceProvider>(std::make_shared<Nl80211Client>()),
        std::make_shared<ShellWiFiNetworkMetadataResolver>(commands, 2.0), sleeper, now, {});
    PingMonitor::Configuration pingConfiguration;
    pingConfiguration.internetTarget = serverIp;
    auto ping = PingMonitor::create(
        std::make_shared<CommandLinePingProbeRunner>(commands, 2, 0.5, noWiFiName), sleeper, now,
        pingConfiguration);
    auto dns = DNSMonitor::create(std::make_shared<CommandLineDNSLookupRunner>(commands), sleeper,
                                  now, {});
    auto connection = ConnectionMonitor::create(
        std::make_shared<CommandLineTCPConnectionCounter>(commands), sleeper, now, {});
    // The probe page is asked of the bench server: no name is resolved.
    const auto probePage = CaptivePortalProbeEndpoint::make(
        "http://" + serverIp + ":8080/hotspot-detect.html", "Success");
    auto captive = CaptivePortalMonitor::create(
        std::make_shared<URLSessionCaptivePortalChecker>(
            std::make_shared<URLSessionCaptivePortalProbeFetcher>(http),
            std::vector<CaptivePortalProbeEndpoint>{*probePage}),
        sleeper, now, {});
    auto lifecycle = MonitoringLifecycleController::create(
        {wifi, ping, dns, connection, captive}, std::make_shared<NoOpNetworkChangeObserver>(),
        std::make_shared<NoOpSleepWakeObserver>(), sleeper,
        std::make_shared<InMemoryAppSettingsStore>(), &wifi->latestIdentity(), {});
    auto health = HealthAggregationController::create(lifecycle, wifi, ping, dns, now);
    SpeedTestMonitor::Settings speedSettings;
    speedSettings.latencyProbeHost = serverIp;
    auto speedTest = SpeedTestMonitor::create(
        std::make_shared<CloudflareSpeedTestRunner>(http, speedTestDownloadURLFactory(service),
                                                    speedTestUploadURL(service)),
        std::make_shared<PingProbeLatencyProber>(
            std::make_shared<CommandLinePingProbeRunner>(commands, 1, 0.5, noWiFiName)),
        now, speedSettings);
    auto channelScan = ChannelScanMonitor::create(
        {3, 0.35}, std::make_shared<ScriptedScanner>(),
        [wifi] { return wifi->latestSnapshot().get(); }, sleeper, now);

    lifecycle->start();
    loop.runUntil([] { return false; }, 3s); // the first polls
    auto model = DiagnosticsExportViewModel::create(Engine{.wifiMonitor = wifi,
                                                           .pingMonitor = ping,
                                                           .dnsMonitor = dns,
                                                           .connectionMonitor = connection,
                                                           .captivePortalMonitor = captive,
                                                           .speedTestMonitor = speedTest,
                                                           .channelScanMonitor = channelScan,
                                                           .lifecycleController = lifecycle,
                                                           .healthAggregationController = health});
    const auto started = std::chrono::steady_clock::now();
    model->regenerate();
    const bool ready = loop.runUntil([&] { return model->isReportReady(); }, 150s);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    lifecycle->stop();
    if (!ready) {
        fmt::print("no report after {:.1f} s\n", seconds);
        return 1;
    }
    const std::string text = *model->collectedReportJSONString().get();
    std::ofstream(reportFile, std::ios::binary) << text;

    const auto report = nlohmann::json::parse(text);
    const auto& speed = report["speedTest"];
    fmt::print("collection {:.1f} s; speed test {} / {}; channel scan {}; wifi {}; router ping {}; "
               "internet ping {}; "
               "connections {}\n",
               seconds, speed["status"].get<std::string>(), speed["phase"].get<std::string>(),
               report["channelScan"]["status"].get<std::string>(),
               report["wifi"]["status"].get<std::string>(),
               report["latency"]["routerPing"]["status"].get<std::string>(),
               report["latency"]["internetPing"]["status"].get<std::string>(),
               report["connectionPressure"]["status"].get<std::string>());
    if (speed["status"] != "available" || speed["phase"] != "completed") {
        fmt::print("speed test not available: {}\n", speed.dump());
        return 1;
    }
    const double down = speed["data"]["downloadMbps"].get<double>();
    const double up = speed["data"]["uploadMbps"].get<double>();
    fmt::print("shaped {} Mbit/s: download {:.2f} Mbps ({:.3f}), upload {:.2f} Mbps ({:.3f}); "
               "grades {} / {}\n",
               rateMbit, down, down / rateMbit, up, up / rateMbit,
               speed["data"].value("downloadBufferbloatGrade", "-"),
               speed["data"].value("uploadBufferbloatGrade", "-"));
    // Near the shaped rate: never above it by more than the burst, not far below.
    const bool near = down > 0.6 * rateMbit && down < 1.1 * rateMbit && up > 0.6 * rateMbit &&
                      up < 1.1 * rateMbit;
    return near && report["channelScan"]["status"] == "available" ? 0 : 1;
}

double parseDouble(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        fmt::print(stderr,
                   "usage: export_end_to_end SERVICE_URL SERVER_IP RATE_MBIT REPORT_FILE\n");
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const int status = run(argv[1], argv[2], parseDouble(argv[3]), argv[4]);
    curl_global_cleanup();
    return status;
}
