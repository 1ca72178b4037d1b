// The whole engine on real probes (through the runner, lumra-systool and
// libcurl) for a minute in the 0.5 s mode and a minute in the 4.0 s mode:
// CPU seconds of the process and its children per minute, child processes
// per minute and peak RSS. run.sh starts it inside a namespace whose router,
// DNS server and captive-portal pages are its own.
#include "bench/support/CountingRunner.h"
#include "concurrency/RunLoop.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/observers/NWPathNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "platform/http/CurlHttpClient.h"
#include "platform/network/RtnetlinkPathSource.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/tcp/CommandLineTCPConnectionCounter.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CurrentWiFiInterfaceName.h"
#include "systool/SystoolPath.h"

#include <cstdio>
#include <fmt/format.h>
#include <sys/resource.h>

using namespace lumra;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    const std::string internetTarget = argc > 1 ? argv[1] : "10.213.0.1";
    const std::string portalPages = argc > 2 ? argv[2] : "http://127.0.0.1:8080";
    const auto minute = std::chrono::seconds(argc > 3 ? std::stoi(argv[3]) : 60);
    RunLoop loop;
    auto runner = std::make_shared<bench::CountingRunner>(std::make_shared<ShellCommandRunner>(
        makeAllowedExecutables(), makeStandInExecutables(kSystoolPath)));
    auto now = [] {
        return std::chrono::system_clock::now();
    };
    auto sleeper = std::make_shared<TaskSleeper>();

    auto wireless = std::make_shared<Nl80211Client>();
    auto wifi = WiFiMonitor::create(std::make_shared<CoreWLANInterfaceProvider>(wireless),
                                    std::make_shared<ShellWiFiNetworkMetadataResolver>(runner, 2.0),
                                    sleeper, now, {});
    PingMonitor::Configuration pingConfiguration;
    pingConfiguration.internetTarget = internetTarget;
    auto ping = PingMonitor::create(
        std::make_shared<CommandLinePingProbeRunner>(
            runner, 2, 0.5, [wireless] { return currentWiFiInterfaceName(*wireless); }),
        sleeper, now, pingConfiguration);
    DNSMonitor::Configuration dnsConfiguration;
    dnsConfiguration.testDomains = {"lumra.test", "probe.test", "engine.test"};
    auto dns = DNSMonitor::create(std::make_shared<CommandLineDNSLookupRunner>(runner), sleeper,
                                  now, dnsConfiguration);
    auto connection = ConnectionMonitor::create(
        std::make_shared<CommandLineTCPConnectionCounter>(runner), sleeper, now, {});
    std::vector<CaptivePortalProbeEndpoint> pages{
        *CaptivePortalProbeEndpoint::make(portalPages + "/answer?status=200&body=Success",
                                          "Success"),
        *CaptivePortalProbeEndpoint::make(portalPages + "/answer?status=200&body=success",
                                          "success")};
    auto captive =
        CaptivePortalMonitor::create(std::make_shared<URLSessionCaptivePortalChecker>(
                                         std::make_shared<URLSessionCaptivePortalProbeFetcher>(
                                             std::make_shared<CurlHttpClient>()),
                                         pages),
                                     sleeper, now, {});
    auto settings = std::make_shared<InMemoryAppSettingsStore>();
    settings->setBatteryFriendly(false);
    auto network = std::make_shared<NWPathNetworkChangeObserver>(
        mainActor(), std::make_shared<RtnetlinkPathSource>());
    auto lifecycle = MonitoringLifecycleController::create(
        {wifi, ping, dns, connection, captive}, network, std::make_shared<NoOpSleepWakeObserver>(),
        sleeper, settings, &wifi->latestIdentity(), {});
    auto health = HealthAggregationController::create(lifecycle, wifi, ping, dns, now);

    auto measure = [&](const char* mode) {
        const long runsBefore = runner->runs.load();
        const double cpuBefore = bench::cpuSecondsWithChildren();
        const double ownBefore = bench::cpuSecondsOfProcess();
        loop.runFor(minute);
        const double minutes = std::chrono::duration<double>(minute).count() / 60;
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        fmt::print("{}: {:.2f} CPU s per minute (process alone {:.2f}), {:.0f} child processes "
                   "per minute, peak RSS {:.1f} MiB, health {}\n",
                   mode, (bench::cpuSecondsWithChildren() - cpuBefore) / minutes,
                   (bench::cpuSecondsOfProcess() - ownBefore) / minutes,
                   static_cast<double>(runner->runs.load() - runsBefore) / minutes,
                   static_cast<double>(usage.ru_maxrss) / 1024,
                   rawValue(health->healthState().get()));
        std::fflush(stdout);
    };
    lifecycle->start();
    measure("0.5 s mode");
    lifecycle->setBatteryFriendly(true);
    measure("4.0 s mode");
    lifecycle->stop();
    loop.runFor(2s);
    return 0;
}
