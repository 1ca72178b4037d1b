// A link that flaps, for real: runs inside a network namespace of its own (the
// ctest fixture creates it and runs this binary under `ip netns exec`), where
// the peer of a veth pair goes down and up every 50 ms. The lifecycle hears
// it through the real path observer over rtnetlink; its monitors are polled
// loops whose poll stands for a tool run. Nothing is sent anywhere.
#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/observers/NWPathNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/polling/PolledMonitor.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "platform/network/RtnetlinkPathSource.h"
#include "tests/support/TestNamespace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;
using test::insideTestNamespace;

void ip(const std::string& arguments) {
    const std::string command = "ip " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return Seconds(std::chrono::steady_clock::now() - start).count();
}

// A polled monitor whose poll takes as long as a short tool run; it stamps
// every poll, refresh request and reset.
class ToolMonitor final : public PolledMonitor {
public:
    static std::shared_ptr<ToolMonitor> create(std::chrono::steady_clock::time_point start) {
        return makeBound<ToolMonitor>(start);
    }
    explicit ToolMonitor(std::chrono::steady_clock::time_point start)
        : PolledMonitor(std::make_shared<TaskSleeper>(), 2.0), m_start(start) {}

    void refreshNow() override {
        refreshes.push_back(secondsSince(m_start));
        PolledMonitor::refreshNow();
    }
    void resetTransientState() override { resets.push_back(secondsSince(m_start)); }
    Task<void> pollOnce() {
        polls.push_back(secondsSince(m_start));
        co_await sleepFor(30ms);
    }

    std::vector<double> polls;
    std::vector<double> refreshes;
    std::vector<double> resets;

private:
    std::chrono::steady_clock::time_point m_start;
};

// The real observer, with every change it announces stamped on its way.
class StampingObserver final : public NetworkChangeObserving {
public:
    StampingObserver(std::shared_ptr<NetworkChangeObserving> inner,
                     std::chrono::steady_clock::time_point start)
        : m_inner(std::move(inner)), m_start(start) {}

    Callback onNetworkChange() const override { return m_callback; }
    void setOnNetworkChange(Callback callback) override {
        m_callback = std::move(callback);
        m_inner->setOnNetworkChange([this] {
            changes.push_back(secondsSince(m_start));
            if (m_callback)
                m_callback();
        });
    }
    void startObserving() override { m_inner->startObserving(); }
    void stopObserving() override { m_inner->stopObserving(); }

    std::vector<double> changes;

private:
    std::shared_ptr<NetworkChangeObserving> m_inner;
    std::chrono::steady_clock::time_point m_start;
    Callback m_callback;
};

std::size_t countBetween(const std::vector<double>& stamps, double from, double to) {
    std::size_t count = 0;
    for (const double stamp : stamps)
        count += stamp >= from && stamp < to ? 1 : 0;
    return count;
}

class LifecycleFlapNetnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!insideTestNamespace()) {
            if (std::getenv("LUMRA_TEST_NETNS") != nullptr)
                FAIL() << "LUMRA_TEST_NETNS is set but this is not that namespace";
            GTEST_SKIP() << "runs only inside the namespace of its ctest fixture";
        }
        ip("link add f0 type veth peer name f1");
        ip("addr add 10.203.0.1/24 dev f0");
        ip("link set f1 up");
        ip("link set f0 up");
        ip("route add default via 10.203.0.2 dev f0");
    }

    void TearDown() override {
        if (controller)
            controller->stop();
        controller.reset();
        loop.runUntil([] { return !mainActor().hasQueuedWork(); }, 5s);
        if (insideTestNamespace())
            std::system("ip link del f0 2>/dev/null");
    }

    RunLoop loop;
    std::shared_ptr<MonitoringLifecycleController> controller;
};

// The whole application's figures over minutes of flapping are the bench's
// (bench/app/flap.sh); this holds the bounds for one monitor over 4 s.
TEST_F(LifecycleFlapNetnsTest, AFlappingLinkCostsOneRefreshAtItsStartAndOneAtItsEnd) {
    const auto start = std::chrono::steady_clock::now();
    auto monitor = ToolMonitor::create(start);
    auto observer = std::make_shared<StampingObserver>(
        std::make_shared<NWPathNetworkChangeObserver>(mainActor(),
                                                      std::make_shared<RtnetlinkPathSource>()),
        start);
    auto settings = std::make_shared<InMemoryAppSettingsStore>();
    settings->setMonitoringEnabled(true);
    settings->setBatteryFriendly(false); // 0.5 s polling, as with the popover open
    controller = MonitoringLifecycleController::create(
        {monitor}, observer, std::make_shared<NoOpSleepWakeObserver>(),
        std::make_shared<TaskSleeper>(), settings, nullptr, {});
    controller->start();

    // Steady: 2 s, less the first poll.
    loop.runFor(2500ms);
    const double steadyFrom = 0.5;
    const double steadyTo = secondsSince(start);
    const double steadyRate =
        countBetween(monitor->polls, steadyFrom, steadyTo) / (steadyTo - steadyFrom);

    // 4 s of a change every 50 ms: the peer's carrier goes and comes back.
    const double flapFrom = secondsSince(start);
    bool down = false;
    while (secondsSince(start) < flapFrom + 4.0) {
        down = !down;
        ip(down ? "link set f1 down" : "link set f1 up");
        loop.runFor(50ms);
    }
    if (down)
        ip("link set f1 up");
    // The burst's end, and the readings after it.
    loop.runFor(3s);
    const double end = secondsSince(start);

    const std::size_t changes = countBetween(observer->changes, flapFrom, end);
    ASSERT_GE(changes, 40u) << "the flap reached the observer";
    const double lastChange = observer->changes.back();
    const double flapRate =
        countBetween(monitor->polls, flapFrom, lastChange) / (lastChange - flapFrom);
    const std::size_t refreshes = countBetween(monitor->refreshes, flapFrom, end);
    std::printf("figure: %zu path changes in %.1f s; %zu refreshes and %zu resets; polls a second "
                "%.2f steady, %.2f during the flap\n",
                changes, lastChange - flapFrom, refreshes,
                countBetween(monitor->resets, flapFrom, end), steadyRate, flapRate);

    // One at the first change, one when the burst has ended; a third only if
    // the machine held the changes back for a whole second.
    EXPECT_GE(refreshes, 2u);
    EXPECT_LE(refreshes, 3u);
    EXPECT_EQ(monitor->resets.size(), monitor->refreshes.size());
    EXPECT_LE(flapRate, 2 * steadyRate) << "the tool runs stay within twice the steady rate";
    const double lastRefresh = monitor->refreshes.back();
    EXPECT_GE(lastRefresh, lastChange);
    EXPECT_LE(lastRefresh - lastChange, 2.0) << "refreshed within 2 s of the last change";
    EXPECT_GE(countBetween(monitor->polls, lastRefresh, lastChange + 2.0), 1u)
        << "a poll ran after the refresh, within 2 s of the last change";
}

} // namespace
} // namespace lumra
