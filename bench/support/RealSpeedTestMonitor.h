// The speed-test monitor as the application wires it, for the namespace
// benches: libcurl runner against `service`, latency from one-packet pings
// to `host` through lumra-systool's stand-in ping.
#pragma once

#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "platform/http/CurlHttpClient.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/speedtest/CloudflareSpeedTestRunner.h"
#include "probes/speedtest/PingProbeLatencyProber.h"
#include "systool/SystoolPath.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace lumra::bench {

inline std::shared_ptr<SpeedTestMonitor> makeRealSpeedTestMonitor(const std::string& service,
                                                                  const std::string& host) {
    auto http = std::make_shared<CurlHttpClient>();
    auto runner = std::make_shared<CloudflareSpeedTestRunner>(
        http, speedTestDownloadURLFactory(service), speedTestUploadURL(service));
    auto commands = std::make_shared<ShellCommandRunner>(makeAllowedExecutables(),
                                                         makeStandInExecutables(kSystoolPath));
    auto ping = std::make_shared<CommandLinePingProbeRunner>(
        commands, 1, 0.5, [] { return std::optional<std::string>(); });
    SpeedTestMonitor::Settings settings;
    settings.latencyProbeHost = host;
    return SpeedTestMonitor::create(
        runner, std::make_shared<PingProbeLatencyProber>(ping),
        [] { return std::chrono::system_clock::now(); }, settings);
}

} // namespace lumra::bench
