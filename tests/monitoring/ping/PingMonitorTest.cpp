#include "monitoring/ping/PingMonitor.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/PollDriver.h"

#include <chrono>
#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

using test::FakePingProbe;

const PingProbeMeasurement good{12.5, 1.5, 0, true};

class PingMonitorTest : public ::testing::Test {
protected:
    PingMonitorTest() { probe->answers = {{"192.168.1.1", good}, {builtInInternetTarget, good}}; }
    ~PingMonitorTest() override {
        monitor->stop();
        loop.runUntilIdle();
    }

    void poll(int count = 1) { driver.poll(count); }

    void routerFails() { probe->answers.erase("192.168.1.1"); }
    void routerAnswers() { probe->answers["192.168.1.1"] = good; }
    void internetFails() { probe->answers.erase(builtInInternetTarget); }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakePingProbe> probe = std::make_shared<FakePingProbe>();
    std::shared_ptr<PingMonitor> monitor = PingMonitor::create(
        probe, std::make_shared<TaskSleeper>(), [] { return runtimeClock().wallNow(); },
        PingMonitor::Configuration{});
    test::PollDriver driver{loop, *monitor};
};

TEST_F(PingMonitorTest, APollWithARouterPublishesBothResultsWithOneTimestampTakenBeforeTheLookup) {
    probe->lookupDuration = 1000ms;
    const auto before = loop.clock().wallNow();
    poll();
    loop.advanceBy(1s);
    ASSERT_TRUE(monitor->routerResult().get());
    ASSERT_TRUE(monitor->internetResult().get());
    EXPECT_EQ(*monitor->routerResult().get(),
              (PingResult{PingTarget::router, before, 12.5, 1.5, 0, true}));
    EXPECT_EQ(monitor->internetResult().get()->timestamp, before);
    EXPECT_EQ(monitor->internetResult().get()->target, PingTarget::internet);
    EXPECT_EQ(monitor->routerIPAddress().get(), "192.168.1.1");
    EXPECT_EQ(probe->calls,
              (std::vector<std::string>{"resolve", "ping 192.168.1.1",
                                        std::string("ping ") + builtInInternetTarget}));
}

TEST_F(PingMonitorTest, PublishesTheRouterAddressBeforePingingAndTheRestInOrder) {
    std::vector<std::string> events;
    std::vector<Subscription> subscriptions;
    auto record = [&](std::string name) {
        return [&events, name, first = true](const auto&) mutable {
            if (!std::exchange(first, false))
                events.push_back(name);
        };
    };
    subscriptions.push_back(
        monitor->routerIPAddress().subscribe([&, first = true](const auto&) mutable {
            if (!std::exchange(first, false))
                events.push_back("routerIPAddress after " + std::to_string(probe->calls.size()) +
                                 " calls");
        }));
    subscriptions.push_back(monitor->routerResult().subscribe(record("routerResult")));
    subscriptions.push_back(monitor->internetResult().subscribe(record("internetResult")));
    subscriptions.push_back(monitor->routerHistory().subscribe(record("routerHistory")));
    subscriptions.push_back(monitor->internetHistory().subscribe(record("internetHistory")));
    subscriptions.push_back(monitor->isRouterIgnored().subscribe(record("isRouterIgnored")));
    poll();
    EXPECT_EQ(events, (std::vector<std::string>{"routerIPAddress after 1 calls", "routerResult",
                                                "internetResult", "routerHistory",
                                                "internetHistory", "isRouterIgnored"}));
}

TEST_F(PingMonitorTest, WithoutARouterOnlyTheInternetIsPingedAndTheRouterHistoryIsKept) {
    poll();
    probe->router.reset();
    std::vector<bool> ignoredPublications;
    auto subscription =
        monitor->isRouterIgnored().subscribe([&](bool v) { ignoredPublications.push_back(v); });
    poll();
    EXPECT_FALSE(monitor->routerIPAddress().get());
    EXPECT_FALSE(monitor->routerResult().get());
    EXPECT_EQ(monitor->routerHistory().get().size(), 1u);
    EXPECT_EQ(monitor->internetHistory().get().size(), 2u);
    EXPECT_EQ(ignoredPublications, (std::vector<bool>{false, false}))
        << "assigned even when already false";
    EXPECT_EQ(monitor->consecutiveRouterFailuresWhileInternetSucceeds(), 0);
}

TEST_F(PingMonitorTest, TheRouterIsIgnoredFromTheThirdFailureInARowWhileTheInternetAnswers) {
    routerFails();
    std::vector<bool> ignored;
    for (int i = 0; i < 4; ++i) {
        poll();
        ignored.push_back(monitor->isRouterIgnored().get());
    }
    EXPECT_EQ(ignored, (std::vector<bool>{false, false, true, true}));
    routerAnswers();
    poll();
    EXPECT_FALSE(monitor->isRouterIgnored().get());
    EXPECT_EQ(monitor->consecutiveRouterFailuresWhileInternetSucceeds(), 0);
    routerFails();
    poll(3);
    EXPECT_TRUE(monitor->isRouterIgnored().get());
    internetFails();
    poll();
    EXPECT_FALSE(monitor->isRouterIgnored().get()) << "both failing clears the rule too";
}

TEST_F(PingMonitorTest, APollWithoutARouterRestartsTheIgnoreCount) {
    routerFails();
    poll(2);
    probe->router.reset();
    poll();
    probe->router = "192.168.1.1";
    poll(2);
    EXPECT_FALSE(monitor->isRouterIgnored().get());
    EXPECT_EQ(monitor->consecutiveRouterFailuresWhileInternetSucceeds(), 2);
}

TEST_F(PingMonitorTest, HistoriesKeepTheLatestSixty) {
    poll(61);
    ASSERT_EQ(monitor->routerHistory().get().size(), 60u);
    ASSERT_EQ(monitor->internetHistory().get().size(), 60u);
    EXPECT_EQ(monitor->internetHistory().get().front().timestamp - loop.clock().wallNow(), -118s)
        << "the first poll's result was dropped";
}

TEST_F(PingMonitorTest, TheInternetTargetIsTrimmedAndABlankOneIgnored) {
    monitor->setInternetTarget(" \t9.9.9.9\n");
    EXPECT_EQ(monitor->internetTarget(), "9.9.9.9");
    monitor->setInternetTarget(" \n ");
    EXPECT_EQ(monitor->internetTarget(), "9.9.9.9");
}

TEST_F(PingMonitorTest, TheInternetPingUsesTheTargetSetDuringTheRouterLookup) {
    probe->lookupDuration = 500ms;
    poll();
    monitor->setInternetTarget("9.9.9.9");
    loop.advanceBy(500ms);
    EXPECT_EQ(probe->calls.back(), "ping 9.9.9.9");
}

TEST_F(PingMonitorTest, AResetDuringAPollIsFollowedByThatPollsResults) {
    probe->lookupDuration = 500ms;
    poll();
    loop.advanceBy(500ms);
    loop.advanceBy(2s); // the second poll is in its lookup
    monitor->resetTransientState();
    EXPECT_TRUE(monitor->internetHistory().get().empty());
    EXPECT_FALSE(monitor->routerIPAddress().get());
    loop.advanceBy(500ms);
    EXPECT_EQ(monitor->internetHistory().get().size(), 1u);
    EXPECT_TRUE(monitor->routerResult().get());
}

TEST_F(PingMonitorTest, ADestroyedMonitorStopsPolling) {
    poll();
    const auto calls = probe->calls.size();
    monitor.reset();
    loop.advanceBy(10s);
    EXPECT_EQ(probe->calls.size(), calls);
    monitor = PingMonitor::create(
        probe, std::make_shared<TaskSleeper>(), [] { return runtimeClock().wallNow(); },
        PingMonitor::Configuration{});
}

} // namespace
} // namespace lumra
