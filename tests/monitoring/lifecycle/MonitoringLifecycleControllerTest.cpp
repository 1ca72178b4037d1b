#include "monitoring/lifecycle/MonitoringLifecycleController.h"

#include "concurrency/RunLoop.h"
#include "concurrency/VirtualClock.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Records the calls; a reset publishes an absent identity as the Wi-Fi
// monitor does.
class FakeMonitor final : public AdaptiveMonitoringControlling {
public:
    explicit FakeMonitor(std::vector<std::string>& log, std::string name,
                         Published<std::optional<NetworkIdentity>>* identity = nullptr)
        : m_log(log), m_name(std::move(name)), m_identity(identity) {}
    void start() override { m_log.push_back(m_name + " start"); }
    void stop() override { m_log.push_back(m_name + " stop"); }
    void setPollInterval(double seconds) override {
        interval = seconds;
        m_log.push_back(m_name + " interval " + std::to_string(seconds).substr(0, 3));
    }
    void refreshNow() override { m_log.push_back(m_name + " refresh"); }
    void resetTransientState() override {
        m_log.push_back(m_name + " reset");
        if (m_identity)
            m_identity->set(std::nullopt);
    }
    double interval = -1;

private:
    std::vector<std::string>& m_log;
    std::string m_name;
    Published<std::optional<NetworkIdentity>>* m_identity;
};

const NetworkIdentity home{"wlan0", "Home", "aa:aa:aa:aa:aa:01", "192.168.1.20"};

class LifecycleTest : public ::testing::Test {
protected:
    LifecycleTest() {
        wifi = std::make_shared<FakeMonitor>(log, "wifi", &identity);
        ping = std::make_shared<FakeMonitor>(log, "ping");
        settings->setMonitoringEnabled(true);
        settings->setBatteryFriendly(true);
        controller = MonitoringLifecycleController::create({wifi, ping}, network, sleepWake,
                                                           std::make_shared<TaskSleeper>(),
                                                           settings, &identity, {});
    }

    std::vector<std::string> take() { return std::exchange(log, {}); }
    void networkChange() { network->onNetworkChange()(); }

    VirtualClockRunLoop loop;
    std::vector<std::string> log;
    Published<std::optional<NetworkIdentity>> identity{std::nullopt};
    std::shared_ptr<FakeMonitor> wifi;
    std::shared_ptr<FakeMonitor> ping;
    std::shared_ptr<NoOpNetworkChangeObserver> network =
        std::make_shared<NoOpNetworkChangeObserver>();
    std::shared_ptr<NoOpSleepWakeObserver> sleepWake = std::make_shared<NoOpSleepWakeObserver>();
    std::shared_ptr<InMemoryAppSettingsStore> settings =
        std::make_shared<InMemoryAppSettingsStore>();
    std::shared_ptr<MonitoringLifecycleController> controller;
};

TEST_F(LifecycleTest, StartWithMonitoringOffStartsNoMonitor) {
    settings->setMonitoringEnabled(false);
    controller->start();
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(controller->statusText(), "Monitoring is paused.");
}

TEST_F(LifecycleTest, StartsEveryMonitorInOrderThenTimesThem) {
    controller->start();
    EXPECT_EQ(take(), (std::vector<std::string>{"wifi start", "ping start", "wifi interval 4.0",
                                                "ping interval 4.0"}));
    controller->startMonitoring();
    EXPECT_TRUE(take().empty()) << "starting while running does nothing";
    controller->stopMonitoring();
    EXPECT_EQ(take(), (std::vector<std::string>{"wifi stop", "ping stop"}));
    controller->stopMonitoring();
    EXPECT_TRUE(take().empty());
}

TEST_F(LifecycleTest, ChoosesTheIntervalFromItsInputs) {
    struct Case {
        bool batteryFriendly;
        bool popover;
        bool fastPolling;
        double interval;
        std::string status;
    };
    const std::vector<Case> cases{
        {false, false, false, 0.5, "Monitoring active in high-frequency mode."},
        {true, true, false, 0.5, "Monitoring active in detailed mode."},
        {true, false, true, 0.5, "Monitoring active in background mode."},
        {true, false, false, 4.0, "Monitoring active in background mode."},
    };
    controller->start();
    for (const Case& c : cases) {
        controller->setBatteryFriendly(c.batteryFriendly);
        controller->setPopoverPresented(c.popover);
        if (c.fastPolling)
            networkChange();
        else
            loop.advanceBy(31s); // any window has closed
        controller->applyPollInterval();
        EXPECT_EQ(wifi->interval, c.interval) << c.status;
        EXPECT_EQ(ping->interval, c.interval);
        EXPECT_EQ(controller->statusText(), c.status);
    }
}

TEST_F(LifecycleTest, ANetworkChangeOpensAThirtySecondWindowThatASecondChangeRestarts) {
    controller->start();
    networkChange();
    EXPECT_EQ(wifi->interval, 0.5);
    loop.advanceBy(20s);
    networkChange();
    loop.advanceBy(20s);
    EXPECT_EQ(wifi->interval, 0.5) << "the window restarted at the second change";
    loop.advanceBy(10s);
    EXPECT_EQ(wifi->interval, 4.0);
    EXPECT_FALSE(controller->isNetworkFastPollingActive());
}

TEST_F(LifecycleTest, ANetworkChangeResetsThenRetimesThenRefreshes) {
    controller->start();
    take();
    networkChange();
    EXPECT_EQ(take(),
              (std::vector<std::string>{"wifi reset", "ping reset", "wifi interval 0.5",
                                        "ping interval 0.5", "wifi refresh", "ping refresh"}));
}

TEST_F(LifecycleTest, TurningBatteryFriendlyOffEndsTheWindowForGood) {
    controller->start();
    networkChange();
    controller->setBatteryFriendly(false);
    EXPECT_FALSE(settings->batteryFriendly());
    take();
    loop.advanceBy(60s);
    EXPECT_TRUE(take().empty()) << "the window's task was cancelled";
    EXPECT_EQ(wifi->interval, 0.5);
}

TEST_F(LifecycleTest, NetworkChangesAreIgnoredWhileMonitoringIsOff) {
    networkChange();
    EXPECT_TRUE(take().empty());
}

TEST_F(LifecycleTest, SleepPausesOnceAndWakeResetsRestartsAndRefreshes) {
    sleepWake->onDidWake()();
    EXPECT_TRUE(take().empty()) << "no wake without a sleep";
    controller->start();
    take();
    sleepWake->onWillSleep()();
    sleepWake->onWillSleep()();
    EXPECT_EQ(take(), (std::vector<std::string>{"wifi stop", "ping stop"}));
    sleepWake->onDidWake()();
    EXPECT_EQ(take(),
              (std::vector<std::string>{"wifi reset", "ping reset", "wifi start", "ping start",
                                        "wifi interval 4.0", "ping interval 4.0", "wifi refresh",
                                        "ping refresh"}));
    EXPECT_FALSE(controller->isPausedForSystemSleep());
}

TEST_F(LifecycleTest, IdentityChangesFollowTheRules) {
    controller->start();
    take();
    identity.set(home);
    EXPECT_TRUE(take().empty()) << "the first identity is never a change";
    identity.set(std::nullopt);
    EXPECT_TRUE(take().empty()) << "losing the network is not a change";
    identity.set(home);
    EXPECT_EQ(take().front(), "wifi reset") << "the network coming back is";
    EXPECT_TRUE(controller->isNetworkFastPollingActive());
}

// Virtual seconds since the fixture began of every reset and every refresh
// of the first monitor.
struct Timeline {
    std::vector<double> resets;
    std::vector<double> refreshes;
};

class NetworkChangeBurstTest : public LifecycleTest {
protected:
    NetworkChangeBurstTest() { controller->start(); }

    double now() { return std::chrono::duration<double>(loop.clock().uptimeNow() - began).count(); }

    // count changes, `spacing` seconds apart, the first at once; then `quiet`
    // seconds without one.
    void flap(int count, double spacing, double quiet = 5.0) {
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                advance(spacing);
            networkChange();
            note();
        }
        lastChange = now();
        advance(quiet);
    }

    // In steps of 10 ms, each entry stamped with the step it happened in.
    void advance(double seconds) {
        auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double>(seconds));
        while (left > 0ns) {
            const auto step = std::min<std::chrono::nanoseconds>(10ms, left);
            loop.advanceBy(step);
            left -= step;
            note();
        }
    }

    void note() {
        for (const std::string& entry : take()) {
            if (entry == "wifi reset")
                timeline.resets.push_back(now());
            if (entry == "wifi refresh")
                timeline.refreshes.push_back(now());
        }
    }

    const Clock::UptimePoint began = loop.clock().uptimeNow();
    Timeline timeline;
    double lastChange = 0;
};

TEST_F(NetworkChangeBurstTest, TheFirstChangeRefreshesAtOnceAndABurstOnceMoreAtItsEnd) {
    struct Case {
        std::string name;
        int count;
        double spacing;
        std::vector<double> refreshes; // seconds after the first change
    };
    const std::vector<Case> cases{
        {"a single change", 1, 0, {0.0}},
        {"two changes 0.5 s apart", 2, 0.5, {0.0, 1.5}},
        {"20 changes 50 ms apart", 20, 0.05, {0.0, 0.95 + 1.0}},
        {"10 changes 200 ms apart", 10, 0.2, {0.0, 1.8 + 1.0}},
        {"a minute of a change every 50 ms", 1200, 0.05, {0.0, 59.95 + 1.0}},
        {"three changes 1.5 s apart", 3, 1.5, {0.0, 1.5, 3.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        timeline = {};
        const double first = now();
        flap(c.count, c.spacing);
        ASSERT_EQ(timeline.refreshes.size(), c.refreshes.size());
        for (std::size_t i = 0; i < c.refreshes.size(); ++i)
            EXPECT_NEAR(timeline.refreshes[i] - first, c.refreshes[i], 0.011) << i;
        EXPECT_EQ(timeline.resets, timeline.refreshes) << "each refresh comes with its reset";
        EXPECT_GE(timeline.refreshes.back(), lastChange);
        EXPECT_LE(timeline.refreshes.back() - lastChange, 2.0)
            << "the readings are refreshed within 2 s of the last change";
    }
}

TEST_F(NetworkChangeBurstTest, TheRefreshAtABurstsEndResetsRetimesAndRefreshesLikeAnyChange) {
    networkChange();
    loop.advanceBy(300ms);
    take();
    networkChange();
    EXPECT_TRUE(take().empty()) << "a change within the window waits for its end";
    loop.advanceBy(999ms);
    EXPECT_TRUE(take().empty()) << "each change restarts the window";
    loop.advanceBy(1ms);
    EXPECT_EQ(take(),
              (std::vector<std::string>{"wifi reset", "ping reset", "wifi interval 0.5",
                                        "ping interval 0.5", "wifi refresh", "ping refresh"}));
}

TEST_F(NetworkChangeBurstTest, FastPollingLastsUntilThirtySecondsAfterTheBurstsRefresh) {
    flap(351, 0.1, 0.0);
    EXPECT_EQ(wifi->interval, 0.5) << "35 s into the burst";
    advance(0.1);
    flap(50, 0.1); // the last change at 40.0 s, the burst's refresh at 41.0 s
    advance(70.95 - now());
    EXPECT_EQ(wifi->interval, 0.5);
    advance(0.1);
    EXPECT_EQ(wifi->interval, 4.0);
    EXPECT_EQ(timeline.refreshes, (std::vector<double>{0.0, 41.0}));
}

TEST_F(NetworkChangeBurstTest, PathAndIdentityChangesOfOneRoamAreMergedIntoOneRefresh) {
    identity.set(home);
    take();
    networkChange();
    note();
    advance(0.2);
    NetworkIdentity roamed = home;
    roamed.bssid = "aa:aa:aa:aa:aa:02";
    identity.set(roamed);
    note();
    advance(5.0);
    ASSERT_EQ(timeline.refreshes.size(), 2u);
    EXPECT_NEAR(timeline.refreshes[1], 1.2, 0.011);
}

TEST_F(NetworkChangeBurstTest, TurningMonitoringOffDropsTheMergedChanges) {
    networkChange();
    loop.advanceBy(200ms);
    networkChange();
    controller->setMonitoringEnabled(false);
    take();
    loop.advanceBy(5s);
    EXPECT_TRUE(take().empty()) << "no refresh once monitoring is off";

    controller->setMonitoringEnabled(true);
    take();
    networkChange();
    EXPECT_EQ(take(),
              (std::vector<std::string>{"wifi reset", "ping reset", "wifi interval 0.5",
                                        "ping interval 0.5", "wifi refresh", "ping refresh"}))
        << "the next change starts a new burst";
}

TEST_F(NetworkChangeBurstTest, ChangesWhileAsleepAreMergedAndTheWakeRefreshesOnItsOwn) {
    sleepWake->onWillSleep()();
    take();
    networkChange();
    EXPECT_EQ(take(),
              (std::vector<std::string>{"wifi reset", "ping reset", "wifi interval 0.5",
                                        "ping interval 0.5", "wifi refresh", "ping refresh"}))
        << "asleep, the first change still resets and refreshes the stopped monitors";
    loop.advanceBy(300ms);
    networkChange();
    loop.advanceBy(300ms);
    EXPECT_TRUE(take().empty());
    sleepWake->onDidWake()();
    EXPECT_EQ(take(),
              (std::vector<std::string>{"wifi reset", "ping reset", "wifi start", "ping start",
                                        "wifi interval 0.5", "ping interval 0.5", "wifi refresh",
                                        "ping refresh"}));
    loop.advanceBy(699ms);
    EXPECT_TRUE(take().empty());
    loop.advanceBy(1ms);
    EXPECT_EQ(take().back(), "ping refresh") << "the burst's own end, 1 s after its last change";
}

TEST(NetworkIdentityChangeTest, MeaningfulChanges) {
    auto with = [](auto change) {
        NetworkIdentity identity = home;
        change(identity);
        return identity;
    };
    struct Case {
        std::optional<NetworkIdentity> previous;
        std::optional<NetworkIdentity> next;
        bool meaningful;
    };
    const std::vector<Case> cases{
        {std::nullopt, home, true},
        {std::nullopt, std::nullopt, false},
        {home, std::nullopt, false},
        {home, home, false},
        {home, with([](auto& i) { i.interfaceName = "wlan1"; }), true},
        {home, with([](auto& i) { i.ssid.reset(); }), true},
        {home, with([](auto& i) { i.bssid = "aa:aa:aa:aa:aa:02"; }), true},
        {with([](auto& i) { i.ipAddress.reset(); }), home, false},
        {home, with([](auto& i) { i.ipAddress.reset(); }), false},
        {home, with([](auto& i) { i.ipAddress = "192.168.1.21"; }), true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(isMeaningfulNetworkIdentityChange(cases[i].previous, cases[i].next),
                  cases[i].meaningful)
            << i;
}

} // namespace
} // namespace lumra
