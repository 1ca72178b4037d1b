// The objects the export reads, built over scripted probes: real
// monitors, fake scanner, speed-test runner and probes. Needs a runtime.
#pragma once

#include "export/collection/DiagnosticsExportViewModel.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "probes/speedtest/SpeedTesting.h"
#include "probes/wifi/WiFiNetworkScanning.h"

#include <chrono>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace lumra::test {

// Each pass takes passDuration and, like a platform scan, runs to its end
// even when its task is cancelled meanwhile.
class ScriptedScanner final : public WiFiNetworkScanning {
public:
    std::chrono::milliseconds passDuration{1000};
    // Thrown by every pass when set.
    std::exception_ptr error;
    int calls = 0;
    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override;
};

// Each phase takes its chunks' time in cancellable waits, as transfers do.
class ScriptedSpeedTestRunner final : public SpeedTesting {
public:
    std::chrono::milliseconds chunkDuration{500};
    double downloadMbps = 245.5;
    double uploadMbps = 38.49;
    std::exception_ptr downloadError;
    int downloads = 0;
    Task<double> download(SpeedTestConfiguration configuration,
                          SpeedTestProgress progress) override;
    Task<double> upload(SpeedTestConfiguration configuration, SpeedTestProgress progress) override;
};

class ScriptedLatencyProbe final : public SpeedTestLatencyProbing {
public:
    std::optional<double> latency = 12.0;
    Task<std::optional<double>> measureLatency(std::string host, double timeout) override;
};

struct ExportRig {
    ExportRig();
    // Starts the five polled monitors, so the snapshot has readings.
    void startMonitoring();
    // The engine the export reads; no location or update controller.
    Engine engine() const;

    std::shared_ptr<ScriptedScanner> scanner = std::make_shared<ScriptedScanner>();
    std::shared_ptr<ScriptedSpeedTestRunner> speedRunner =
        std::make_shared<ScriptedSpeedTestRunner>();
    std::shared_ptr<ScriptedLatencyProbe> latencyProbe = std::make_shared<ScriptedLatencyProbe>();
    std::shared_ptr<WiFiMonitor> wifi;
    std::shared_ptr<PingMonitor> ping;
    std::shared_ptr<DNSMonitor> dns;
    std::shared_ptr<ConnectionMonitor> connection;
    std::shared_ptr<CaptivePortalMonitor> captive;
    std::shared_ptr<MonitoringLifecycleController> lifecycle;
    std::shared_ptr<HealthAggregationController> health;
    std::shared_ptr<ChannelScanMonitor> channelScan;
    std::shared_ptr<SpeedTestMonitor> speedTest;
};

} // namespace lumra::test
