// The cost of one ping-monitor poll and one DNS-monitor poll through the real
// runner and lumra-systool: wall time and CPU per poll (this process and its
// children) and child processes per poll. Run inside a namespace by run.sh.
#include "bench/support/CountingRunner.h"
#include "concurrency/RunLoop.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/ping/PingMonitor.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "systool/SystoolPath.h"

#include <chrono>
#include <fmt/format.h>

using namespace lumra;
using namespace std::chrono_literals;

using bench::CountingRunner;

namespace {

template <class Monitor, class Result>
void measure(const char* name, RunLoop& loop, Monitor& monitor, const Published<Result>& result,
             CountingRunner& runner, int polls) {
    int seen = -1; // the replay
    auto subscription = result.subscribe([&](const Result&) { ++seen; });
    monitor.setPollInterval(0);
    const auto started = std::chrono::steady_clock::now();
    const double cpuBefore = bench::cpuSecondsWithChildren();
    monitor.start();
    loop.runUntil([&] { return seen >= polls; }, 600s);
    monitor.stop();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = bench::cpuSecondsWithChildren() - cpuBefore;
    fmt::print("{}: {} polls, {:.1f} ms wall per poll, {:.2f} ms CPU per poll, {:.1f} child "
               "processes per poll\n",
               name, seen, 1000 * wall / seen, 1000 * cpu / seen,
               static_cast<double>(runner.runs.load()) / seen);
}

} // namespace

int main(int argc, char** argv) {
    const int polls = argc > 1 ? std::stoi(argv[1]) : 20;
    const std::string target = argc > 2 ? argv[2] : "10.213.0.1";
    RunLoop loop;
    auto shell = [] {
        return std::make_shared<ShellCommandRunner>(makeAllowedExecutables(),
                                                    makeStandInExecutables(kSystoolPath));
    };
    auto now = [] {
        return std::chrono::system_clock::now();
    };

    auto pingRunner = std::make_shared<CountingRunner>(shell());
    auto probe = std::make_shared<CommandLinePingProbeRunner>(
        pingRunner, 2, 0.5, [] { return std::optional<std::string>(); });
    PingMonitor::Configuration pingConfiguration;
    pingConfiguration.internetTarget = target;
    auto ping = PingMonitor::create(probe, std::make_shared<TaskSleeper>(), now, pingConfiguration);
    measure("ping poll", loop, *ping, ping->internetResult(), *pingRunner, polls);

    auto dnsRunner = std::make_shared<CountingRunner>(shell());
    DNSMonitor::Configuration dnsConfiguration;
    dnsConfiguration.testDomains = {"lumra.test"};
    auto dns = DNSMonitor::create(std::make_shared<CommandLineDNSLookupRunner>(dnsRunner),
                                  std::make_shared<TaskSleeper>(), now, dnsConfiguration);
    measure("DNS poll", loop, *dns, dns->latestResult(), *dnsRunner, polls);
    return 0;
}
