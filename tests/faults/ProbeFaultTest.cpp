// The real probes through the real runner and lumra-systool while the
// network fails under them, inside the test's own namespace: a router that
// drops ICMP, the default route or the interface removed during a poll, a
// resolver that never answers or answers SERVFAIL, a tool that ignores
// SIGTERM. Each probe reports its failure within its time-out plus 100 ms
// (three times that as the bound), while the main actor and the I/O thread
// keep running.
#include "concurrency/RunLoop.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "systool/SystoolPath.h"
#include "tests/faults/FaultNamespace.h"
#include "tests/faults/GapMeter.h"
#include "tests/faults/ScriptServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto maxQuietGap = 48ms;
constexpr double probeTimeout = 1.0;
// Three times the time-out plus 100 ms.
constexpr auto failureBound = 3 * 1100ms;

void sh(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string routerNamespace() {
    return std::string(std::getenv("LUMRA_TEST_NETNS")) + "-r";
}

// This namespace at 10.214.0.2 with its default route through a router
// namespace at 10.214.0.1 that answers no ping.
class ProbeFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::insideTestNamespace()) << "runs only inside its ctest namespace";
        const std::string router = routerNamespace();
        sh("ip netns add " + router);
        sh("ip link add lfc0 type veth peer name lfr0 netns " + router);
        sh("ip addr add 10.214.0.2/24 dev lfc0 && ip link set lfc0 up");
        sh("ip -n " + router + " addr add 10.214.0.1/24 dev lfr0 && ip -n " + router +
           " link set lfr0 up");
        sh("ip -n " + router + " link set lo up");
        sh("ip netns exec " + router + " sysctl -qw net.ipv4.icmp_echo_ignore_all=1");
        sh("ip route add default via 10.214.0.1 dev lfc0");
    }
    void TearDown() override {
        std::system(("ip netns delete " + routerNamespace() + " 2>/dev/null").c_str());
        std::system("ip link delete lfc0 2>/dev/null");
    }

    std::shared_ptr<CommandRunning> runner(std::map<std::string, std::string> executed = {}) {
        auto standIns = makeStandInExecutables(kSystoolPath);
        for (auto& [path, file] : executed)
            standIns[path] = file;
        return std::make_shared<ShellCommandRunner>(makeAllowedExecutables(), standIns);
    }

    template <class T> struct Timed {
        T value;
        std::chrono::milliseconds took;
        std::chrono::milliseconds mainGap;
        std::chrono::milliseconds ioGap;
    };

    // Runs the probe as a main-actor task; during() runs on another thread
    // once it has started.
    template <class Body> auto timed(Body body, std::function<void()> during = {}) {
        test::GapMeter meter;
        const auto start = Clock::now();
        auto task = spawn(mainActor(), std::move(body));
        std::thread side;
        if (during)
            side = std::thread(during);
        auto value = loop.await(task, 30s);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        if (side.joinable())
            side.join();
        meter.stop();
        return Timed<decltype(value)>{value, took, meter.mainActorGap(), meter.ioThreadGap()};
    }

    RunLoop loop;
};

template <class T> void expectBoundedAndBreathing(const T& outcome, const char* what) {
    std::printf(
        "figure: %s ended after %lld ms; longest gap: main actor %lld ms, I/O thread %lld ms\n",
        what, static_cast<long long>(outcome.took.count()),
        static_cast<long long>(outcome.mainGap.count()),
        static_cast<long long>(outcome.ioGap.count()));
    EXPECT_LT(outcome.took, failureBound) << what;
    EXPECT_LT(outcome.mainGap, maxQuietGap) << what;
    EXPECT_LT(outcome.ioGap, maxQuietGap) << what;
}

TEST_F(ProbeFaultTest, APingTheRouterDropsFailsAtItsTimeOut) {
    auto probe =
        std::make_shared<CommandLinePingProbeRunner>(runner(), 1, 0.1, [] { return std::nullopt; });
    const auto outcome = timed([probe] { return probe->ping("10.214.0.1", probeTimeout); });
    EXPECT_EQ(outcome.value.didSucceed, false);
    EXPECT_EQ(outcome.value.packetLossPercent, 100);
    expectBoundedAndBreathing(outcome, "ICMP dropped");
}

TEST_F(ProbeFaultTest, TheDefaultRouteRemovedDuringAPollEndsItAndTheNextFindsNoRouter) {
    auto probe =
        std::make_shared<CommandLinePingProbeRunner>(runner(), 1, 0.1, [] { return std::nullopt; });
    const auto before = timed([probe] { return probe->resolveRouterAddress(probeTimeout); });
    EXPECT_EQ(before.value, std::optional<std::string>("10.214.0.1"));
    const auto during = timed([probe] { return probe->ping("10.215.0.9", probeTimeout); },
                              [] {
                                  std::this_thread::sleep_for(100ms);
                                  std::system("ip route del default");
                              });
    EXPECT_FALSE(during.value.didSucceed);
    expectBoundedAndBreathing(during, "route removed");
    const auto after = timed([probe] { return probe->resolveRouterAddress(probeTimeout); });
    EXPECT_EQ(after.value, std::nullopt);
    expectBoundedAndBreathing(after, "no route");
}

TEST_F(ProbeFaultTest, TheInterfaceRemovedDuringAPollEndsIt) {
    auto probe =
        std::make_shared<CommandLinePingProbeRunner>(runner(), 1, 0.1, [] { return std::nullopt; });
    const auto during = timed([probe] { return probe->ping("10.214.0.1", probeTimeout); },
                              [] {
                                  std::this_thread::sleep_for(100ms);
                                  std::system("ip link delete lfc0");
                              });
    EXPECT_FALSE(during.value.didSucceed);
    expectBoundedAndBreathing(during, "interface removed");
    const auto after = timed([probe] { return probe->resolveRouterAddress(probeTimeout); });
    EXPECT_EQ(after.value, std::nullopt);
    expectBoundedAndBreathing(after, "no interface");
}

TEST_F(ProbeFaultTest, ALookupAgainstASilentResolverFailsAtItsTimeOut) {
    const test::ScriptServer dns(std::vector<std::string>{LUMRA_PYTHON3, LUMRA_FAULT_DNS_SERVER,
                                                          "127.0.0.1", "53", "silent"});
    auto probe = std::make_shared<CommandLineDNSLookupRunner>(runner());
    const auto outcome = timed([probe] { return probe->lookup("fault.lumra.test", probeTimeout); });
    EXPECT_EQ(outcome.value, (DNSLookupOutcome{std::nullopt, false}));
    expectBoundedAndBreathing(outcome, "silent resolver");
}

// SERVFAIL is an answer: the probe times it as the lookup's latency, as it
// does every answer dig prints a query time for, and it comes at once.
TEST_F(ProbeFaultTest, ALookupAgainstAServfailResolverEndsAtOnce) {
    const test::ScriptServer dns(std::vector<std::string>{LUMRA_PYTHON3, LUMRA_FAULT_DNS_SERVER,
                                                          "127.0.0.1", "53", "servfail"});
    auto probe = std::make_shared<CommandLineDNSLookupRunner>(runner());
    const auto outcome = timed([probe] { return probe->lookup("fault.lumra.test", probeTimeout); });
    EXPECT_EQ(outcome.value.didSucceed, outcome.value.latencyMilliseconds.has_value());
    EXPECT_LT(outcome.took, 3 * 100ms + 3 * 100ms)
        << "an answer ends the lookup before any time-out";
    expectBoundedAndBreathing(outcome, "SERVFAIL");
}

TEST_F(ProbeFaultTest, AToolThatIgnoresSigtermFailsAtItsTimeOutAndIsKilledAfterTheGrace) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("lumra-faults-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    const auto script = directory / "dig";
    const auto pidFile = directory / "pid";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\necho $$ > " << pidFile.string()
            << "\ntrap '' TERM\nwhile :; do sleep 0.05; done\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    auto probe =
        std::make_shared<CommandLineDNSLookupRunner>(runner({{"/usr/bin/dig", script.string()}}));
    const auto outcome = timed([probe] { return probe->lookup("fault.lumra.test", probeTimeout); });
    EXPECT_EQ(outcome.value, (DNSLookupOutcome{std::nullopt, false}));
    expectBoundedAndBreathing(outcome, "SIGTERM ignored");

    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    // Gone after the kill grace (1 s), with the same margin.
    const auto deadline = Clock::now() + 3 * 1100ms;
    while ((::kill(pid, 0) == 0 || errno != ESRCH) && Clock::now() < deadline)
        loop.runUntil([] { return false; }, 20ms);
    EXPECT_TRUE(::kill(pid, 0) != 0 && errno == ESRCH) << "the tool outlived its grace";
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace lumra
