#include "tests/export/ExportRig.h"

#include "concurrency/Sleep.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/ping/BuiltInInternetTarget.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "tests/support/FakeProbes.h"

namespace lumra::test {

using namespace std::chrono_literals;

Task<std::vector<WiFiScannedNetwork>> ScriptedScanner::scanNetworks() {
    ++calls;
    co_await uncancellableWait(passDuration);
    if (error)
        std::rethrow_exception(error);
    co_return std::vector<WiFiScannedNetwork>{
        {"one", "02:00:00:00:00:01", -40, 1, WiFiBand::twoPointFourGigahertz},
        {"six", "02:00:00:00:00:06", -50, 6, WiFiBand::twoPointFourGigahertz},
    };
}

namespace {

Task<double> runChunks(std::chrono::milliseconds chunkDuration, std::int64_t chunks,
                       SpeedTestProgress progress, double mbps) {
    for (std::int64_t chunk = 1; chunk <= chunks; ++chunk) {
        co_await sleepFor(chunkDuration);
        co_await progress(static_cast<double>(chunk) / static_cast<double>(chunks));
    }
    co_return mbps;
}

} // namespace

Task<double> ScriptedSpeedTestRunner::download(SpeedTestConfiguration configuration,
                                               SpeedTestProgress progress) {
    ++downloads;
    if (downloadError)
        std::rethrow_exception(downloadError);
    return runChunks(chunkDuration, configuration.downloadChunks, std::move(progress),
                     downloadMbps);
}

Task<double> ScriptedSpeedTestRunner::upload(SpeedTestConfiguration configuration,
                                             SpeedTestProgress progress) {
    return runChunks(chunkDuration, configuration.uploadChunks, std::move(progress), uploadMbps);
}

Task<std::optional<double>> ScriptedLatencyProbe::measureLatency(std::string, double) {
    co_await uncancellableWait(10ms);
    co_return latency;
}

ExportRig::ExportRig() {
    auto now = [] {
        return runtimeClock().wallNow();
    };
    auto sleeper = std::make_shared<TaskSleeper>();
    auto pingProbe = std::make_shared<FakePingProbe>();
    pingProbe->answers = {{"192.168.1.1", {3.2, 0.4, 0, true}},
                          {builtInInternetTarget, {12.345, 1.5, 0, true}}};
    wifi = WiFiMonitor::create(std::make_shared<FakeInterface>(), std::make_shared<FakeResolver>(),
                               sleeper, now, {});
    ping = PingMonitor::create(pingProbe, sleeper, now, {});
    dns = DNSMonitor::create(std::make_shared<FakeDNSLookup>(), sleeper, now, {});
    connection = ConnectionMonitor::create(std::make_shared<FakeCounter>(), sleeper, now, {});
    captive = CaptivePortalMonitor::create(std::make_shared<FakeChecker>(), sleeper, now, {});
    lifecycle = MonitoringLifecycleController::create(
        {wifi, ping, dns, connection, captive}, std::make_shared<NoOpNetworkChangeObserver>(),
        std::make_shared<NoOpSleepWakeObserver>(), sleeper,
        std::make_shared<InMemoryAppSettingsStore>(), &wifi->latestIdentity(), {});
    health = HealthAggregationController::create(lifecycle, wifi, ping, dns, now);
    channelScan = ChannelScanMonitor::create(
        {3, 0.35}, scanner, [this] { return wifi->latestSnapshot().get(); }, sleeper, now);
    SpeedTestMonitor::Settings settings;
    settings.baselineProbeAttempts = 2;
    speedTest = SpeedTestMonitor::create(speedRunner, latencyProbe, now, settings);
}

void ExportRig::startMonitoring() {
    lifecycle->start();
}

Engine ExportRig::engine() const {
    return Engine{.wifiMonitor = wifi,
                  .pingMonitor = ping,
                  .dnsMonitor = dns,
                  .connectionMonitor = connection,
                  .captivePortalMonitor = captive,
                  .speedTestMonitor = speedTest,
                  .channelScanMonitor = channelScan,
                  .lifecycleController = lifecycle,
                  .healthAggregationController = health};
}

} // namespace lumra::test
