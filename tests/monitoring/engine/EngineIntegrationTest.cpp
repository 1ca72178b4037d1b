// The real monitors over fake probes, paced by the real lifecycle and graded by
// the real health aggregation, for a virtual day with network changes and
// sleep and wake.
#include "concurrency/RunLoop.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "tests/support/FakeProbes.h"

#include <chrono>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

using test::FakeChecker;
using test::FakeCounter;

TEST(EngineIntegrationTest, ADayOfMonitoringEndsBoundedAndWithoutLeftoverTasks) {
    VirtualClockRunLoop loop;
    auto interface = std::make_shared<test::FakeInterface>();
    auto pingProbe = std::make_shared<test::FakePingProbe>();
    pingProbe->answers = {{"192.168.1.1", {4, 1, 0, true}},
                          {builtInInternetTarget, {18, 2, 0, true}}};
    pingProbe->lookupDuration = 20ms;
    auto now = [] {
        return runtimeClock().wallNow();
    };
    auto sleeper = std::make_shared<TaskSleeper>();
    auto settings = std::make_shared<InMemoryAppSettingsStore>();
    auto network = std::make_shared<NoOpNetworkChangeObserver>();
    auto sleepWake = std::make_shared<NoOpSleepWakeObserver>();

    auto wifi =
        WiFiMonitor::create(interface, std::make_shared<test::FakeResolver>(), sleeper, now, {});
    auto ping = PingMonitor::create(pingProbe, sleeper, now, {});
    auto dns = DNSMonitor::create(std::make_shared<test::FakeDNSLookup>(), sleeper, now, {});
    auto connection = ConnectionMonitor::create(std::make_shared<FakeCounter>(), sleeper, now, {});
    auto captive = CaptivePortalMonitor::create(std::make_shared<FakeChecker>(), sleeper, now, {});
    auto lifecycle = MonitoringLifecycleController::create({wifi, ping, dns, connection, captive},
                                                           network, sleepWake, sleeper, settings,
                                                           &wifi->latestIdentity(), {});
    auto health = HealthAggregationController::create(lifecycle, wifi, ping, dns, now);
    std::size_t healthPublications = 0;
    auto counting = health->healthState().subscribe([&](HealthState) { ++healthPublications; });

    lifecycle->start();
    for (int hour = 0; hour < 24; ++hour) {
        if (hour % 6 == 5) {
            sleepWake->onWillSleep()();
            loop.advanceBy(30min);
            sleepWake->onDidWake()();
            loop.advanceBy(30min);
            continue;
        }
        // Roaming to another access point every other hour.
        interface->reading->bssid = hour % 2 ? "aa:bb:cc:dd:ee:02" : "aa:bb:cc:dd:ee:01";
        loop.advanceBy(20min);
        network->onNetworkChange()();
        loop.advanceBy(40min);
    }
    EXPECT_EQ(health->healthState().get(), HealthState::good);
    EXPECT_LE(wifi->history().get().size(), 60u);
    EXPECT_EQ(ping->routerHistory().get().size(), 60u);
    EXPECT_EQ(ping->internetHistory().get().size(), 60u);
    EXPECT_EQ(dns->history().get().size(), 60u);
    EXPECT_EQ(connection->history().get().size(), 60u);
    EXPECT_EQ(captive->history().get().size(), 60u);
    EXPECT_GT(healthPublications, 1000u);

    lifecycle->stop();
    loop.advanceBy(1min);
    EXPECT_EQ(loop.runtime().liveTaskCount(), 0u) << "every loop, wait and lookup task has ended";
}

} // namespace
} // namespace lumra
