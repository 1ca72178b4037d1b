#include "monitoring/radar/WiFiRadarMonitor.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "tests/support/FakeProbes.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

const WiFiInterfaceSnapshot kHome{"wlan0", "Home", "aa:bb:cc:dd:ee:01",    -50, -95,
                                  300,     36,     WiFiBand::fiveGigahertz};

class CountingInterface final : public WiFiInterfaceProviding {
public:
    std::optional<WiFiInterfaceSnapshot> reading = kHome;
    int reads = 0;
    std::optional<WiFiInterfaceSnapshot> currentSnapshot() override {
        ++reads;
        return reading;
    }
};

class WiFiRadarMonitorTest : public ::testing::Test {
protected:
    ~WiFiRadarMonitorTest() override {
        if (monitor && monitor->pollingTask())
            monitor->pollingTask()->cancel();
        loop.runUntilIdle();
    }

    // Starts the feed and runs its first poll.
    void start() {
        monitor->start();
        loop.runUntilIdle();
    }
    // One more poll per pause.
    void pollAgain(int count = 1) {
        for (int i = 0; i < count; ++i)
            loop.advanceBy(250ms);
    }
    void cancelAndClear() {
        monitor->pollingTask()->cancel();
        monitor->setPollingTask(std::nullopt);
    }
    const std::vector<WiFiSnapshot>& history() const { return monitor->history().get(); }

    VirtualClockRunLoop loop;
    const std::chrono::system_clock::time_point launch = runtimeClock().wallNow();
    std::shared_ptr<CountingInterface> interface = std::make_shared<CountingInterface>();
    std::shared_ptr<WiFiRadarMonitor> monitor = WiFiRadarMonitor::create(
        interface, std::make_shared<TaskSleeper>(), /*pollInterval=*/0.25,
        /*maxHistorySampleCount=*/120, [] { return runtimeClock().wallNow(); });
};

TEST_F(WiFiRadarMonitorTest, ASnapshotCopiesTheReadingWithItsSignalToNoiseAndTheClocksDate) {
    start();
    EXPECT_TRUE(monitor->isConnected().get());
    const WiFiSnapshot expected{
        launch, "wlan0", "Home", "aa:bb:cc:dd:ee:01",     -50,          -95,
        45,     300,     36,     WiFiBand::fiveGigahertz, std::nullopt, false};
    EXPECT_EQ(monitor->latestSnapshot().get(), expected);
    EXPECT_EQ(history(), std::vector<WiFiSnapshot>{expected});
    interface->reading->noiseFloorDbm = 0; // implausible noise
    pollAgain();
    EXPECT_EQ(monitor->latestSnapshot().get()->snrDb, std::nullopt);
    EXPECT_EQ(monitor->latestSnapshot().get()->timestamp, launch + 250ms);
}

TEST_F(WiFiRadarMonitorTest, KeepsTheNewest120SnapshotsOldestFirst) {
    std::size_t largest = 0;
    Subscription sizes =
        monitor->history().subscribe([&](const std::vector<WiFiSnapshot>& samples) {
            largest = std::max(largest, samples.size());
        });
    start();
    pollAgain(119);
    ASSERT_EQ(history().size(), 120u);
    EXPECT_EQ(history().front().timestamp, launch);
    pollAgain();
    ASSERT_EQ(history().size(), 120u);
    EXPECT_EQ(history().front().timestamp, launch + 250ms)
        << "the 121st snapshot removed the first";
    EXPECT_EQ(history().back().timestamp, launch + 120 * 250ms);
    EXPECT_EQ(largest, 120u) << "no notification ever carried more";
}

TEST_F(WiFiRadarMonitorTest, ASingleDisconnectedReadingClearsTheSnapshotAndEmptiesTheHistory) {
    WiFiInterfaceSnapshot blank = kHome;
    blank.ssid = "";
    blank.bssid = "";
    blank.channelNumber.reset();
    blank.band.reset();
    struct Case {
        std::string what;
        std::optional<WiFiInterfaceSnapshot> reading;
    };
    start();
    for (const Case& c : std::vector<Case>{{"no interface", std::nullopt},
                                           {"no name, address or channel", blank}}) {
        pollAgain(2);
        ASSERT_GE(history().size(), 3u) << c.what;
        interface->reading = c.reading;
        pollAgain();
        EXPECT_FALSE(monitor->isConnected().get()) << c.what;
        EXPECT_FALSE(monitor->latestSnapshot().get()) << c.what;
        EXPECT_TRUE(history().empty()) << c.what;
        interface->reading = kHome;
        pollAgain();
        EXPECT_TRUE(monitor->isConnected().get()) << c.what;
        EXPECT_EQ(history().size(), 1u) << c.what;
    }
}

TEST_F(WiFiRadarMonitorTest, AnotherNetworkWhileConnectedKeepsTheHistory) {
    start();
    interface->reading->bssid = "aa:bb:cc:dd:ee:02";
    interface->reading->ssid = "Office";
    pollAgain();
    ASSERT_EQ(history().size(), 2u);
    EXPECT_EQ(history().front().ssid, "Home");
    EXPECT_EQ(history().back().ssid, "Office");
}

TEST_F(WiFiRadarMonitorTest, SnapshotsCarryNoAddressOrVPNFlagWhateverTheWiFiMonitorKnows) {
    auto resolver = std::make_shared<test::FakeResolver>(); // knows 192.168.1.20 and an active VPN
    auto wifiMonitor = WiFiMonitor::create(interface, resolver, std::make_shared<TaskSleeper>(),
                                           [] { return runtimeClock().wallNow(); }, {});
    wifiMonitor->start();
    start();
    pollAgain(8); // two seconds: the Wi-Fi monitor has looked up and polled again
    ASSERT_EQ(wifiMonitor->latestSnapshot().get()->ipAddress, "192.168.1.20");
    ASSERT_TRUE(wifiMonitor->latestSnapshot().get()->isVPNActive);
    EXPECT_EQ(resolver->lookups.size(), 1u) << "only the Wi-Fi monitor asked";
    ASSERT_EQ(history().size(), 9u);
    for (const WiFiSnapshot& snapshot : history()) {
        EXPECT_EQ(snapshot.ipAddress, std::nullopt);
        EXPECT_FALSE(snapshot.isVPNActive);
    }
    EXPECT_EQ(monitor->latestSnapshot().get(), history().back());
    wifiMonitor->stop();
}

TEST_F(WiFiRadarMonitorTest, StartingTwiceRunsOneLoopAtFourReadingsASecond) {
    monitor->start();
    const auto first = monitor->pollingTask();
    monitor->start();
    EXPECT_EQ(monitor->pollingTask(), first);
    loop.runUntilIdle();
    EXPECT_EQ(interface->reads, 1) << "the first reading comes at once";
    loop.advanceBy(1s);
    EXPECT_EQ(interface->reads, 5);
}

TEST_F(WiFiRadarMonitorTest, ACancelledLoopEndsInItsPauseAndStartWaitsUntilTheHandleIsCleared) {
    start();
    pollAgain(2);
    const TaskHandle<void> task = *monitor->pollingTask();
    task.cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(task.isFinished()) << "the pause ended at once";
    loop.advanceBy(1s);
    EXPECT_EQ(interface->reads, 3) << "no poll after the cancellation";
    monitor->start();
    loop.advanceBy(1s);
    EXPECT_EQ(interface->reads, 3) << "the cancelled loop's handle is still held";
    monitor->setPollingTask(std::nullopt);
    monitor->start();
    loop.runUntilIdle();
    EXPECT_EQ(interface->reads, 4);
    EXPECT_NE(monitor->pollingTask(), task);
}

TEST_F(WiFiRadarMonitorTest, StoppingAndStartingAgainKeepsTheHistory) {
    start();
    pollAgain(2);
    cancelAndClear();
    loop.advanceBy(5s);
    EXPECT_EQ(history().size(), 3u) << "stopping resets nothing";
    EXPECT_TRUE(monitor->isConnected().get());
    interface->reading->rssiDbm = -60;
    start();
    ASSERT_EQ(history().size(), 4u) << "the first poll after the restart appends";
    EXPECT_EQ(history().back().rssiDbm, -60);
    EXPECT_EQ(history().back().timestamp, launch + 500ms + 5s);
    EXPECT_EQ(monitor->latestSnapshot().get(), history().back());
}

TEST_F(WiFiRadarMonitorTest, ReleasingTheMonitorEndsItsLoop) {
    start();
    const TaskHandle<void> task = *monitor->pollingTask();
    std::weak_ptr<WiFiRadarMonitor> weak = monitor;
    monitor.reset();
    EXPECT_TRUE(weak.expired()) << "the sleeping loop does not keep its monitor";
    loop.runUntilIdle();
    EXPECT_TRUE(task.isFinished());
    loop.advanceBy(1s);
    EXPECT_EQ(interface->reads, 1);
}

TEST_F(WiFiRadarMonitorTest, EachPollAnnouncesEveryAssignmentInOrder) {
    std::vector<std::string> announced;
    int willChange = 0;
    Subscription changes = monitor->subscribeWillChange([&] { ++willChange; });
    Subscription connected = monitor->isConnected().subscribe(
        [&](bool value) { announced.push_back(value ? "connected" : "disconnected"); });
    Subscription latest =
        monitor->latestSnapshot().subscribe([&](const std::optional<WiFiSnapshot>& value) {
            announced.push_back(value ? "snapshot" : "no snapshot");
        });
    Subscription samples =
        monitor->history().subscribe([&](const std::vector<WiFiSnapshot>& value) {
            announced.push_back(std::to_string(value.size()) + " samples");
        });
    announced.clear();
    start();
    pollAgain();
    interface->reading.reset();
    pollAgain();
    pollAgain();
    EXPECT_EQ(announced,
              (std::vector<std::string>{"connected", "snapshot", "1 samples", "connected",
                                        "snapshot", "2 samples", "disconnected", "no snapshot",
                                        "0 samples", "disconnected", "no snapshot", "0 samples"}));
    EXPECT_EQ(willChange, 12);
}

} // namespace
} // namespace lumra
