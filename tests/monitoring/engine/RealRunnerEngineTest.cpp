// The ping monitor, paced by the real lifecycle, over the real command runner
// and probe: the tools are scripts (mapped in place of the system's) that
// wait for the test's word, so a stop or a network change lands during a poll
// with a real child process running. Real clock.
#include "concurrency/RunLoop.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

bool isGone(pid_t pid) {
    return ::kill(pid, 0) == -1 && errno == ESRCH;
}

class RealRunnerEngineTest : public ::testing::Test {
protected:
    RealRunnerEngineTest() {
        // No routing table: the monitor pings only the internet target.
        const std::string netstat =
            m_dir.write("netstat.sh", "#!/bin/sh\nexit 1\n", /*executable=*/true);
        // Each ping notes its pid, waits for the word "go", then answers.
        const std::string ping =
            m_dir.write("ping.sh",
                        "#!/bin/sh\necho $$ >> " + m_dir.path() + "/started\n" + "while [ ! -e " +
                            m_dir.path() + "/go ]; do sleep 0.02; done\n" + "exec printf '" +
                            pingOutput + "'\n",
                        /*executable=*/true);
        auto runner = std::make_shared<ShellCommandRunner>(
            makeAllowedExecutables(), std::map<std::string, std::string>{
                                          {"/sbin/ping", ping}, {"/usr/sbin/netstat", netstat}});
        auto probe = std::make_shared<CommandLinePingProbeRunner>(runner, 2, 0.5, nullptr);
        auto now = [] {
            return runtimeClock().wallNow();
        };
        auto sleeper = std::make_shared<TaskSleeper>();
        PingMonitor::Configuration configuration;
        configuration.commandTimeout = 20;
        monitor = PingMonitor::create(probe, sleeper, now, configuration);
        MonitoringLifecycleController::Configuration pacing;
        pacing.activePollInterval = 0.3;
        pacing.backgroundPollInterval = 0.3;
        lifecycle = MonitoringLifecycleController::create(
            {monitor}, network, std::make_shared<NoOpSleepWakeObserver>(), sleeper,
            std::make_shared<InMemoryAppSettingsStore>(), nullptr, pacing);
    }

    ~RealRunnerEngineTest() override {
        lifecycle.reset();
        monitor.reset();
        m_loop.reset();
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a tool was left unreaped";
    }

    std::vector<pid_t> startedPings() const {
        std::vector<pid_t> pids;
        std::ifstream in(m_dir.path() + "/started");
        for (pid_t pid = 0; in >> pid;)
            pids.push_back(pid);
        return pids;
    }
    bool waitForPings(std::size_t count) {
        return m_loop->runUntil([&] { return startedPings().size() >= count; }, 20s);
    }
    void sayGo() { m_dir.write("go", ""); }
    void runFor(std::chrono::milliseconds duration) {
        m_loop->runUntil([] { return false; }, duration);
    }

    static constexpr const char* pingOutput =
        "2 packets transmitted, 2 packets received, 0.0%% packet loss\\n"
        "round-trip min/avg/max/stddev = 9.0/10.0/11.0/1.0 ms\\n";

    test::TempDir m_dir;
    std::unique_ptr<RunLoop> m_loop = std::make_unique<RunLoop>();
    std::shared_ptr<NoOpNetworkChangeObserver> network =
        std::make_shared<NoOpNetworkChangeObserver>();
    std::shared_ptr<PingMonitor> monitor;
    std::shared_ptr<MonitoringLifecycleController> lifecycle;
};

TEST_F(RealRunnerEngineTest, AnsweredPollsLandInTheHistory) {
    sayGo();
    lifecycle->start();
    ASSERT_TRUE(
        m_loop->runUntil([&] { return monitor->internetHistory().get().size() >= 2; }, 20s));
    const PingResult& first = monitor->internetHistory().get().front();
    EXPECT_TRUE(first.didSucceed);
    ASSERT_TRUE(first.latencyMilliseconds.has_value());
    EXPECT_DOUBLE_EQ(*first.latencyMilliseconds, 10.0);
    lifecycle->stop();
}

TEST_F(RealRunnerEngineTest, AStopDuringAPollEndsTheToolAndStartsNoOtherPoll) {
    lifecycle->start();
    ASSERT_TRUE(waitForPings(1));
    const pid_t tool = startedPings().front();
    lifecycle->stop();
    ASSERT_TRUE(m_loop->runUntil([&] { return isGone(tool); }, 5s))
        << "the running tool is ended at once";
    sayGo();
    runFor(1s); // more than three poll intervals
    EXPECT_EQ(startedPings().size(), 1u) << "no poll after the stop";
    // The cut-short poll completes, but its ended tool is no measurement.
    EXPECT_TRUE(monitor->internetHistory().get().empty());
    EXPECT_FALSE(monitor->internetResult().get());
    EXPECT_TRUE(m_loop->runUntil([&] { return m_loop->runtime().liveTaskCount() == 0; }, 5s));
}

TEST_F(RealRunnerEngineTest, ANetworkChangeDuringAPollLetsItsToolFinishIntoTheNewHistory) {
    sayGo();
    lifecycle->start();
    ASSERT_TRUE(m_loop->runUntil([&] { return !monitor->internetHistory().get().empty(); }, 20s));
    ::unlink((m_dir.path() + "/go").c_str());
    const std::size_t before = startedPings().size();
    ASSERT_TRUE(waitForPings(before + 1));
    const pid_t tool = startedPings().back();
    network->onNetworkChange()();
    EXPECT_TRUE(monitor->internetHistory().get().empty()) << "the change resets the history";
    runFor(300ms);
    EXPECT_FALSE(isGone(tool)) << "a network change does not cut the poll short";
    sayGo();
    ASSERT_TRUE(m_loop->runUntil([&] { return !monitor->internetHistory().get().empty(); }, 20s));
    EXPECT_TRUE(monitor->internetHistory().get().front().didSucceed)
        << "the in-flight answer lands after the reset";
    lifecycle->stop();
}

} // namespace
} // namespace lumra
