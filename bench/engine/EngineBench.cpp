// The whole engine on real probes (through the runner, lumra-systool and
// libcurl) for a minute in the 0.5 s mode and a minute in the 4.0 s mode:
// CPU seconds of the process and its children per minute, child processes
// per minute and peak RSS. run.sh starts it inside a namespace whose router,
// DNS server and captive-portal pages are its own.
//   engine_bench [INTERNET_TARGET] [PORTAL_PAGES] [SECONDS_PER_MODE]
//   engine_bench --spawn-floor [COUNT [PER_MINUTE]]
//       CPU of spawning /bin/true (process and child), the least a child
//       costs: back to back, or PER_MINUTE of them a minute, as far apart as
//       the engine's children (a child started on a CPU that sat idle costs
//       more than one started right after another).
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
#include <cstring>
#include <fmt/format.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

using namespace lumra;
using namespace std::chrono_literals;

namespace {

// Milliseconds of CPU, the spawner's and the child's, per /bin/true; with a
// pace, the waits in between are not counted.
int printSpawnFloor(int count, int perMinute) {
    char program[] = "/bin/true";
    char* arguments[] = {program, nullptr};
    char* environment[] = {nullptr};
    const auto gap = perMinute > 0 ? std::chrono::microseconds(60'000'000 / perMinute)
                                   : std::chrono::microseconds(0);
    double waiting = 0;
    const double before = bench::cpuSecondsWithChildren();
    for (int i = 0; i < count; ++i) {
        if (gap.count() > 0) {
            const double asleep = bench::cpuSecondsWithChildren();
            std::this_thread::sleep_for(gap);
            waiting += bench::cpuSecondsWithChildren() - asleep;
        }
        pid_t child = 0;
        if (::posix_spawn(&child, program, nullptr, nullptr, arguments, environment) != 0)
            return 1;
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    const double milliseconds = (bench::cpuSecondsWithChildren() - before - waiting) * 1000 / count;
    if (perMinute > 0)
        fmt::print("paced spawn floor: {:.3f} ms CPU per /bin/true ({} spawns, {} a minute)\n",
                   milliseconds, count, perMinute);
    else
        fmt::print("spawn floor: {:.3f} ms CPU per /bin/true ({} spawns)\n", milliseconds, count);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--spawn-floor") == 0)
        return printSpawnFloor(argc > 2 ? std::stoi(argv[2]) : 500,
                               argc > 3 ? std::stoi(argv[3]) : 0);
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
        fmt::print("{}: {:.3f} CPU s per minute (process alone {:.3f}), {:.0f} child processes "
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
