#include "monitoring/health/HealthAggregationController.h"

#include "concurrency/RunLoop.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "tests/support/FakeProbes.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

std::optional<PingResult> ping(std::optional<double> latency, std::optional<double> jitter,
                               bool didSucceed = true) {
    return PingResult{PingTarget::internet, {}, latency, jitter, 0, didSucceed};
}

TEST(HealthGradersTest, GradeAtTheirBoundaries) {
    using Q = SignalQuality;
    EXPECT_EQ(pingLatencyQuality(std::nullopt), std::nullopt);
    for (auto [ms, grade] : std::vector<std::pair<double, Q>>{
             {50, Q::good}, {50.1, Q::warning}, {100, Q::warning}, {100.1, Q::poor}})
        EXPECT_EQ(pingLatencyQuality(ping(ms, 1)), grade) << ms;
    for (auto [ms, grade] : std::vector<std::pair<double, Q>>{
             {9.9, Q::good}, {10, Q::warning}, {30, Q::warning}, {30.1, Q::poor}})
        EXPECT_EQ(pingJitterQuality(ping(1, ms)), grade) << ms;
    for (auto [ms, grade] : std::vector<std::pair<double, Q>>{
             {49.9, Q::good}, {50, Q::warning}, {100, Q::warning}, {100.1, Q::poor}})
        EXPECT_EQ(dnsLatencyQuality(DNSResult{"a.test", {}, ms, true}), grade) << ms;
    EXPECT_EQ(pingLatencyQuality(ping(10, 1, /*didSucceed=*/false)), Q::poor);
    EXPECT_EQ(pingLatencyQuality(ping(std::nullopt, 1)), Q::poor);
    EXPECT_EQ(dnsLatencyQuality(std::nullopt), std::nullopt);
}

TEST(HealthGradersTest, GradesTheWiFiSnapshotAndLeavesImplausibleNoiseOut) {
    auto grades = [](std::int64_t rssi, std::int64_t noise, std::optional<std::int64_t> snr) {
        return wifiQualities(
            WiFiSnapshot{{}, "wlan0", {}, {}, rssi, noise, snr, {}, {}, {}, {}, false});
    };
    using Q = SignalQuality;
    using V = std::vector<Q>;
    EXPECT_EQ(grades(-59, -91, std::nullopt), (V{Q::good, Q::good}));
    EXPECT_EQ(grades(-60, -90, 25), (V{Q::warning, Q::warning, Q::good}));
    EXPECT_EQ(grades(-75, -80, 24), (V{Q::warning, Q::warning, Q::warning}));
    EXPECT_EQ(grades(-76, -79, 20), (V{Q::poor, Q::poor, Q::warning}));
    EXPECT_EQ(grades(-50, -95, 19), (V{Q::good, Q::good, Q::poor}));
    EXPECT_EQ(grades(-50, 0, std::nullopt), (V{Q::good})) << "a driver without noise reports 0";
    EXPECT_EQ(aggregateHealth({Q::good, Q::warning, Q::poor}), HealthState::poor);
    EXPECT_EQ(aggregateHealth({Q::warning, Q::good}), HealthState::warning);
    EXPECT_EQ(aggregateHealth({Q::good}), HealthState::good);
}

// The real monitors over fake probes, paced by the real lifecycle.
class HealthTest : public ::testing::Test {
protected:
    HealthTest() {
        pingProbe->answers = {{"192.168.1.1", {5, 1, 0, true}},
                              {builtInInternetTarget, {20, 2, 100, true}}};
        settings->setBatteryFriendly(false);
        auto now = [] {
            return runtimeClock().wallNow();
        };
        auto sleeper = std::make_shared<TaskSleeper>();
        wifi = WiFiMonitor::create(interface, resolver, sleeper, now, {});
        pingMonitor = PingMonitor::create(pingProbe, sleeper, now, {});
        dns = DNSMonitor::create(dnsLookup, sleeper, now, {});
        lifecycle = MonitoringLifecycleController::create(
            {wifi, pingMonitor, dns}, std::make_shared<NoOpNetworkChangeObserver>(),
            std::make_shared<NoOpSleepWakeObserver>(), sleeper, settings, &wifi->latestIdentity(),
            {});
        health = HealthAggregationController::create(lifecycle, wifi, pingMonitor, dns, now);
    }
    ~HealthTest() override {
        lifecycle->stop();
        loop.runUntilIdle();
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<test::FakeInterface> interface = std::make_shared<test::FakeInterface>();
    std::shared_ptr<test::FakeResolver> resolver = std::make_shared<test::FakeResolver>();
    std::shared_ptr<test::FakePingProbe> pingProbe = std::make_shared<test::FakePingProbe>();
    std::shared_ptr<test::FakeDNSLookup> dnsLookup = std::make_shared<test::FakeDNSLookup>();
    std::shared_ptr<InMemoryAppSettingsStore> settings =
        std::make_shared<InMemoryAppSettingsStore>();
    std::shared_ptr<WiFiMonitor> wifi;
    std::shared_ptr<PingMonitor> pingMonitor;
    std::shared_ptr<DNSMonitor> dns;
    std::shared_ptr<MonitoringLifecycleController> lifecycle;
    std::shared_ptr<HealthAggregationController> health;
};

TEST_F(HealthTest, ConstructionRecomputesOnceAndBindingSchedulesSevenMore) {
    int publications = 0;
    auto subscription = health->healthState().subscribe([&](HealthState) { ++publications; });
    EXPECT_EQ(health->healthState().get(), HealthState::disconnected);
    ASSERT_TRUE(health->latestDiagnosticsSnapshot().get());
    loop.runUntilIdle();
    EXPECT_EQ(publications, 1 + 7) << "the replay and seven scheduled recomputes";
    EXPECT_EQ(health->healthState().get(), HealthState::disconnected);
}

TEST_F(HealthTest, GoodReadingsAreGoodAndLossDoesNotCount) {
    lifecycle->start();
    loop.advanceBy(1s);
    EXPECT_EQ(health->healthState().get(), HealthState::good);
    EXPECT_EQ(health->latestDiagnosticsSnapshot().get()->internetPingResult->packetLossPercent,
              100);
}

TEST_F(HealthTest, AFailingRouterCountsUntilItIsIgnored) {
    pingProbe->answers.erase("192.168.1.1");
    lifecycle->start();
    loop.runUntilIdle();
    EXPECT_EQ(health->healthState().get(), HealthState::poor);
    loop.advanceBy(1s); // two more polls at 0.5 s: the router is now ignored
    EXPECT_TRUE(pingMonitor->isRouterIgnored().get());
    EXPECT_EQ(health->healthState().get(), HealthState::good);
    EXPECT_TRUE(health->latestDiagnosticsSnapshot().get()->routerPingResult)
        << "still carried while ignored";
}

TEST_F(HealthTest, PausingMonitoringIsDisconnectedButTheSnapshotKeepsTheLastReadings) {
    lifecycle->start();
    loop.advanceBy(1s);
    lifecycle->setMonitoringEnabled(false);
    loop.runUntilIdle();
    EXPECT_EQ(health->healthState().get(), HealthState::disconnected);
    const auto& snapshot = *health->latestDiagnosticsSnapshot().get();
    EXPECT_TRUE(snapshot.wifiSnapshot);
    EXPECT_TRUE(snapshot.internetPingResult);
    EXPECT_TRUE(snapshot.dnsResult);
    EXPECT_EQ(snapshot.healthState, HealthState::disconnected);
}

TEST_F(HealthTest, ANewAccessPointResetsTheOtherMonitorsButNotTheReadingThatRevealedIt) {
    lifecycle->start();
    loop.advanceBy(2s);
    ASSERT_GT(pingMonitor->internetHistory().get().size(), 1u);
    interface->reading->bssid =
        "aa:bb:cc:dd:ee:02"; // roaming: the next Wi-Fi poll sees a new identity
    std::vector<bool> connectedPublications;
    auto watch = wifi->isConnected().subscribe(
        [&](bool connected) { connectedPublications.push_back(connected); });
    loop.advanceBy(500ms);
    EXPECT_EQ(std::count(connectedPublications.begin(), connectedPublications.end(), false), 0)
        << "never published as disconnected while connected";
    EXPECT_TRUE(wifi->isConnected().get());
    EXPECT_EQ(wifi->latestSnapshot().get()->bssid, "aa:bb:cc:dd:ee:02");
    EXPECT_LE(pingMonitor->internetHistory().get().size(), 1u) << "the ping monitor was reset";
    EXPECT_NE(health->healthState().get(), HealthState::disconnected);
}

} // namespace
} // namespace lumra
