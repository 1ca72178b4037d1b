// Pausing monitoring must not invent an outage: a poll that a stop cuts short
// sees its tools fail (they were ended, not answered), and none of that may
// reach the published values. Each polled monitor first publishes a good
// poll; then a poll runs in a stopped task, or is stopped while its tool
// runs, and the monitor must publish nothing at all.
#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "tests/support/FakeProbes.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

DateProvider virtualDate() {
    return [] {
        return runtimeClock().wallNow();
    };
}

// A captive check that ends as a failed fetch when its caller is cancelled,
// as the real probe's cancelled requests do.
class CutShortChecker final : public CaptivePortalChecking {
public:
    Task<CaptivePortalDetectionMeasurement> check(double) override {
        const bool completed = co_await test::toolRunCompletes(300ms);
        co_return CaptivePortalDetectionMeasurement{false, std::nullopt, std::nullopt,
                                                    CaptivePortalDetectionReason::none, completed};
    }
};

class SlowLookup final : public DNSLookupRunning {
public:
    Task<DNSLookupOutcome> lookup(std::string, double) override {
        const bool completed = co_await test::toolRunCompletes(300ms);
        co_return completed ? DNSLookupOutcome{12.0, true} : DNSLookupOutcome{std::nullopt, false};
    }
};

class SlowCounter final : public TCPConnectionCounting {
public:
    Task<TCPConnectionCountOutcome> countConnections(double) override {
        const bool completed = co_await test::toolRunCompletes(300ms);
        co_return completed ? TCPConnectionCountOutcome{TCPConnectionStateCounts{3, 1, 0}, true}
                            : TCPConnectionCountOutcome{std::nullopt, false};
    }
};

struct Case {
    const char* monitor;
    std::function<std::shared_ptr<PolledMonitor>()> make;
    // The Wi-Fi reading is one synchronous call: no stop can land inside it.
    bool runsATool = true;
};

std::vector<Case> cases() {
    return {
        {"ping",
         [] {
             auto probe = std::make_shared<test::FakePingProbe>();
             probe->lookupDuration = 300ms;
             probe->answers = {{"192.168.1.1", {3.0, 0.5, 0, true}},
                               {builtInInternetTarget, {12.0, 1.0, 0, true}}};
             return PingMonitor::create(probe, std::make_shared<TaskSleeper>(), virtualDate(), {});
         }},
        {"DNS",
         [] {
             return DNSMonitor::create(std::make_shared<SlowLookup>(),
                                       std::make_shared<TaskSleeper>(), virtualDate(), {});
         }},
        {"connection",
         [] {
             return ConnectionMonitor::create(std::make_shared<SlowCounter>(),
                                              std::make_shared<TaskSleeper>(), virtualDate(), {});
         }},
        {"captive portal",
         [] {
             return CaptivePortalMonitor::create(std::make_shared<CutShortChecker>(),
                                                 std::make_shared<TaskSleeper>(), virtualDate(),
                                                 {});
         }},
        {"Wi-Fi",
         [] {
             return WiFiMonitor::create(std::make_shared<test::FakeInterface>(),
                                        std::make_shared<test::FakeResolver>(),
                                        std::make_shared<TaskSleeper>(), virtualDate(), {});
         },
         false},
    };
}

enum class StopLands { beforeThePollBegins, whileItsToolRuns };

class StoppedPollTest : public ::testing::TestWithParam<StopLands> {
protected:
    VirtualClockRunLoop loop;
};

TEST_P(StoppedPollTest, APollCutShortByAStopPublishesNothing) {
    for (const Case& c : cases()) {
        if (GetParam() == StopLands::whileItsToolRuns && !c.runsATool)
            continue;
        auto monitor = c.make();
        monitor->start();
        loop.advanceBy(1s); // one good poll, its tools and Wi-Fi's lookup done
        monitor->stop();
        loop.advanceBy(1s);

        int publications = 0;
        const Subscription counting = monitor->subscribeWillChange([&] { ++publications; });
        monitor->start();
        if (GetParam() == StopLands::whileItsToolRuns)
            loop.advanceBy(100ms);
        monitor->stop();
        loop.advanceBy(5s);
        std::printf("figure: %s monitor, stop %s: %d publications after the stop\n", c.monitor,
                    GetParam() == StopLands::whileItsToolRuns ? "during a tool run"
                                                              : "before the poll began",
                    publications);
        EXPECT_EQ(publications, 0) << c.monitor;
        EXPECT_FALSE(monitor->pollingLoop().isRunning()) << c.monitor;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPolledMonitor, StoppedPollTest,
                         ::testing::Values(StopLands::beforeThePollBegins,
                                           StopLands::whileItsToolRuns),
                         [](const auto& testInfo) {
                             return testInfo.param == StopLands::whileItsToolRuns
                                        ? std::string("WhileItsToolRuns")
                                        : std::string("BeforeThePollBegins");
                         });

} // namespace
} // namespace lumra
