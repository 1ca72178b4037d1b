// The probes through the real runner, lumra-systool and the kernel, in a
// client namespace whose default route leads to a router namespace at
// 10.213.0.1 and whose resolver is a server this test starts on 127.0.0.1.
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/tcp/CommandLineTCPConnectionCounter.h"
#include "systool/SystoolPath.h"
#include "tests/support/Subprocess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Inside the fixture's namespace: ip netns keeps it bound at /run/netns/NAME.
bool inOwnNetworkNamespace() {
    struct stat self {};
    struct stat fixture {};
    return ::stat("/proc/self/ns/net", &self) == 0 &&
           ::stat("/run/netns/" LUMRA_LIVE_CLIENT_NS, &fixture) == 0 &&
           self.st_ino == fixture.st_ino && self.st_dev == fixture.st_dev;
}

// Processes whose command line holds text.
int processesWith(const std::string& text) {
    int count = 0;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = proc ? ::readdir(proc) : nullptr) {
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline");
        std::string commandLine((std::istreambuf_iterator<char>(in)), {});
        for (char& c : commandLine)
            c = c == '\0' ? ' ' : c;
        count += entry->d_name[0] >= '0' && entry->d_name[0] <= '9' &&
                 commandLine.find(text) != std::string::npos &&
                 commandLine.find("live_probes_test") == std::string::npos;
    }
    if (proc)
        ::closedir(proc);
    return count;
}

// The DNS server, started for one test and killed after it.
class DNSResponder {
public:
    explicit DNSResponder(bool silent)
        : m_process("/usr/bin/python3", arguments(silent), errorsInTheLog()) {
        EXPECT_EQ(m_process.readLine(10s), "ready") << "the responder started";
    }

private:
    static std::vector<std::string> arguments(bool silent) {
        std::vector<std::string> argv{"python3", LUMRA_DNS_RESPONDER, "127.0.0.1", "53"};
        if (silent)
            argv.push_back("--silent");
        return argv;
    }
    // Its complaints belong in the test log, not in a pipe nobody drains.
    static test::ProcessOptions errorsInTheLog() {
        test::ProcessOptions options;
        options.errors = test::ErrorOutput::kept;
        return options;
    }

    test::Subprocess m_process;
};

class LiveProbesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(inOwnNetworkNamespace())
            << "must run under ip netns exec " LUMRA_LIVE_CLIENT_NS;
    }

    template <class T> T await(Task<T> task, std::chrono::seconds limit = 20s) {
        auto holder = std::make_shared<Task<T>>(std::move(task));
        return loop.await(spawn(mainActor(), [holder] { return std::move(*holder); }), limit);
    }

    RunLoop loop;
    std::shared_ptr<ShellCommandRunner> runner = std::make_shared<ShellCommandRunner>(
        makeAllowedExecutables(), makeStandInExecutables(kSystoolPath));
    CommandLinePingProbeRunner pingProbe{runner, 2, 0.5, [] {
                                             return std::optional<std::string>();
                                         }};
};

TEST_F(LiveProbesTest, PingsLoopbackAndTheRouterThroughTheToolPath) {
    for (const std::string host : {"127.0.0.1", "10.213.0.1"}) {
        const PingProbeMeasurement measurement = await(pingProbe.ping(host, 1.5));
        EXPECT_TRUE(measurement.didSucceed) << host;
        EXPECT_TRUE(measurement.latencyMilliseconds) << host;
        EXPECT_EQ(measurement.packetLossPercent, 0) << host;
    }
}

TEST_F(LiveProbesTest, FindsTheRouterOfTheDefaultRoute) {
    EXPECT_EQ(await(pingProbe.resolveRouterAddress(1.5)), "10.213.0.1");
}

TEST_F(LiveProbesTest, CountsTheConnectionsOfTheNamespace) {
    CommandLineTCPConnectionCounter counter(runner);
    const TCPConnectionCountOutcome outcome = await(counter.countConnections(1.5));
    EXPECT_TRUE(outcome.didSucceed);
    EXPECT_TRUE(outcome.counts);
}

TEST_F(LiveProbesTest, TimesALookupAtTheNamespacesResolver) {
    DNSResponder responder(/*silent=*/false);
    CommandLineDNSLookupRunner dns(runner);
    const DNSLookupOutcome outcome = await(dns.lookup("lumra.test", 1.5));
    EXPECT_TRUE(outcome.didSucceed);
    EXPECT_TRUE(outcome.latencyMilliseconds);
}

TEST_F(LiveProbesTest, ASilentResolverFailsTheLookupAtTheTimeout) {
    DNSResponder responder(/*silent=*/true);
    CommandLineDNSLookupRunner dns(runner);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(await(dns.lookup("lumra.test", 1.5)), (DNSLookupOutcome{std::nullopt, false}));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4500ms);
}

TEST_F(LiveProbesTest, CancellingAPingLeavesNoPingBehind) {
    // Nothing answers at .77, so the ping waits for its replies.
    auto handle = spawn(mainActor(), [this] { return pingProbe.ping("10.213.0.77", 10); });
    // The stand-in hands the host to iputils after "--"; wait for that exec.
    ASSERT_TRUE(loop.runUntil([] { return processesWith("-- 10.213.0.77") > 0; }, 10s));
    handle.cancel();
    EXPECT_EQ(loop.await(handle, 5s), PingProbeMeasurement::failed());
    EXPECT_TRUE(loop.runUntil([] { return processesWith("10.213.0.77") == 0; }, 5s));
}

} // namespace
} // namespace lumra
