#include "monitoring/wifi/WiFiMonitor.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "monitoring/wifi/WiFiReadingRules.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/PollDriver.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

using test::FakeInterface;
using test::FakeResolver;

TEST(WiFiReadingRulesTest, SignalToNoiseNeedsPlausibleReadings) {
    struct Case {
        std::int64_t rssi;
        std::int64_t noise;
        std::optional<std::int64_t> snr;
    };
    for (const Case& c : std::vector<Case>{{-60, -95, 35},
                                           {-101, -95, std::nullopt},
                                           {0, -20, 20},
                                           {-60, -121, std::nullopt},
                                           {-60, -19, std::nullopt},
                                           {-70, -70, std::nullopt},
                                           {-60, 0, std::nullopt}}) {
        EXPECT_EQ(signalToNoiseRatio(c.rssi, c.noise), c.snr) << c.rssi << " " << c.noise;
    }
}

TEST(WiFiReadingRulesTest, AReadingIsConnectedByNameAddressOrChannelOnly) {
    WiFiInterfaceSnapshot reading{"wlan0", std::nullopt, std::nullopt, -40,
                                  -90,     100,          std::nullopt, std::nullopt};
    EXPECT_FALSE(isConnectedReading(reading)) << "a signal level alone is not a network";
    reading.ssid = "";
    reading.bssid = "";
    EXPECT_FALSE(isConnectedReading(reading));
    reading.channelNumber = 6;
    EXPECT_TRUE(isConnectedReading(reading));
    reading.channelNumber.reset();
    reading.bssid = "aa:bb:cc:dd:ee:ff";
    EXPECT_TRUE(isConnectedReading(reading));
}

class WiFiMonitorTest : public ::testing::Test {
protected:
    ~WiFiMonitorTest() override {
        monitor->stop();
        loop.runUntilIdle();
    }

    const WiFiSnapshot& latest() const { return *monitor->latestSnapshot().get(); }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakeInterface> interface = std::make_shared<FakeInterface>();
    std::shared_ptr<FakeResolver> resolver = std::make_shared<FakeResolver>();
    std::shared_ptr<WiFiMonitor> monitor =
        WiFiMonitor::create(interface, resolver, std::make_shared<TaskSleeper>(),
                            [] { return runtimeClock().wallNow(); }, {});
    test::PollDriver driver{loop, *monitor};
};

TEST_F(WiFiMonitorTest, TheFirstSnapshotLacksMetadataUntilTheLookupFillsItInWithoutANewHistory) {
    driver.poll();
    EXPECT_TRUE(monitor->isConnected().get());
    EXPECT_FALSE(latest().ipAddress);
    EXPECT_FALSE(latest().isVPNActive);
    EXPECT_EQ(latest().snrDb, 45);
    loop.advanceBy(100ms);
    EXPECT_EQ(latest().ipAddress, "192.168.1.20");
    EXPECT_TRUE(latest().isVPNActive);
    EXPECT_EQ(monitor->latestIdentity().get()->ipAddress, "192.168.1.20");
    driver.poll();
    EXPECT_EQ(monitor->history().get().size(), 2u)
        << "the learned address did not start a new history";
}

TEST_F(WiFiMonitorTest, LooksMetadataUpAtMostEveryTenSecondsOfUptimeUnlessForced) {
    driver.poll();  // t = 0, lookup until 0.1
    driver.poll(5); // t = 10: the cache is 9.9 s old
    EXPECT_EQ(resolver->lookups.size(), 1u);
    driver.poll(); // 11.9 s old
    EXPECT_EQ(resolver->lookups.size(), 2u);
    monitor->refreshNow();
    loop.runUntilIdle();
    EXPECT_EQ(resolver->lookups.size(), 2u) << "one for this interface is still running";
    loop.advanceBy(100ms);
    driver.poll();
    EXPECT_EQ(resolver->lookups.size(), 3u) << "the force waited for the following poll";
}

TEST_F(WiFiMonitorTest, AnotherInterfaceIgnoresTheOldCacheForItsSnapshotWithoutDiscardingIt) {
    driver.poll();
    loop.advanceBy(100ms);
    interface->reading->interfaceName = "wlan1";
    resolver->duration = 5000ms;
    driver.poll();
    EXPECT_FALSE(latest().ipAddress) << "the cache belongs to wlan0";
    interface->reading->interfaceName = "wlan0";
    driver.poll();
    EXPECT_EQ(latest().ipAddress, "192.168.1.20") << "the wlan0 cache was kept and is still fresh";
    EXPECT_EQ(resolver->lookups, (std::vector<std::string>{"wlan0", "wlan1"}));
}

TEST_F(WiFiMonitorTest, SwitchingInterfacesReplacesARunningLookupForTheOldOne) {
    resolver->duration = 5000ms;
    driver.poll();
    interface->reading->interfaceName = "wlan1";
    driver.poll();
    EXPECT_EQ(resolver->lookups, (std::vector<std::string>{"wlan0", "wlan1"}));
    loop.advanceBy(6s);
    EXPECT_EQ(latest().interfaceName, "wlan1");
    EXPECT_EQ(latest().ipAddress, "10.0.0.5")
        << "the replaced wlan0 lookup applied nothing over it";
}

TEST_F(WiFiMonitorTest, ANewIdentityStartsANewHistoryCappedAtSixty) {
    driver.poll(61);
    EXPECT_EQ(monitor->history().get().size(), 60u);
    interface->reading->bssid = "aa:bb:cc:dd:ee:02";
    driver.poll();
    EXPECT_EQ(monitor->history().get().size(), 1u);
}

TEST_F(WiFiMonitorTest, ADisconnectedPollClearsStateAndCacheSoTheNextConnectedPollLooksUpAgain) {
    driver.poll();
    loop.advanceBy(100ms);
    const auto connected = interface->reading;
    interface->reading->ssid.reset();
    interface->reading->bssid.reset();
    interface->reading->channelNumber.reset();
    driver.poll();
    EXPECT_FALSE(monitor->isConnected().get());
    EXPECT_FALSE(monitor->latestSnapshot().get());
    EXPECT_FALSE(monitor->latestIdentity().get());
    EXPECT_TRUE(monitor->history().get().empty());
    interface->reading = connected;
    driver.poll();
    ASSERT_EQ(monitor->history().get().size(), 1u);
    EXPECT_FALSE(monitor->history().get().front().ipAddress) << "no cached address survived";
    EXPECT_EQ(resolver->lookups.size(), 2u);
}

TEST_F(WiFiMonitorTest, ACancelledLookupAppliesNothing) {
    driver.poll();
    monitor->stop(); // cancels the lookup in flight
    loop.advanceBy(1s);
    EXPECT_FALSE(latest().ipAddress);
    EXPECT_FALSE(monitor->isRefreshingMetadata());
    monitor->start();
    loop.runUntilIdle();
    EXPECT_EQ(resolver->lookups.size(), 2u)
        << "nothing was cached, so the next poll looks up again";
}

TEST_F(WiFiMonitorTest, AStopDuringALookupKeepsThePublishedAddress) {
    driver.poll();
    loop.advanceBy(100ms);
    ASSERT_EQ(latest().ipAddress, "192.168.1.20");
    resolver->addresses["wlan0"] = "192.168.1.99";
    monitor->refreshNow();
    loop.runUntilIdle(); // the forced poll starts a second lookup
    ASSERT_TRUE(monitor->isRefreshingMetadata());
    monitor->stop();
    loop.advanceBy(1s);
    EXPECT_EQ(latest().ipAddress, "192.168.1.20");
    EXPECT_TRUE(latest().isVPNActive);
    EXPECT_EQ(monitor->latestIdentity().get()->ipAddress, "192.168.1.20");
}

TEST_F(WiFiMonitorTest, AResetCausedByItsOwnNewIdentityLeavesTheReadingBeingPublished) {
    int resets = 0;
    auto subscription =
        monitor->latestIdentity().subscribe([&](const std::optional<NetworkIdentity>& identity) {
            if (identity && resets++ == 0)
                monitor->resetTransientState(); // what the lifecycle does on a network change
        });
    driver.poll();
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(monitor->isConnected().get());
    ASSERT_TRUE(monitor->latestSnapshot().get());
    EXPECT_TRUE(monitor->latestIdentity().get());
    EXPECT_EQ(monitor->history().get().size(), 1u);
}

} // namespace
} // namespace lumra
