#include "monitoring/observers/NWPathNetworkChangeObserver.h"

#include "concurrency/RunLoop.h"
#include "tests/monitoring/observers/FakeNetworkPathSource.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

NetworkPath pathOver(std::vector<NetworkPathInterface> interfaces) {
    return NetworkPath{NetworkPathStatus::satisfied, std::move(interfaces)};
}

const NetworkPathInterface wlan0{"wlan0", NetworkInterfaceType::wifi};
const NetworkPathInterface wlan1{"wlan1", NetworkInterfaceType::wifi};
const NetworkPathInterface eth0{"eth0", NetworkInterfaceType::wiredEthernet};
const NetworkPathInterface wwan0{"wwan0", NetworkInterfaceType::cellular};
const NetworkPathInterface tun0{"tun0", NetworkInterfaceType::other};

NetworkPath wifi() {
    return pathOver({wlan0});
}
NetworkPath wired() {
    return pathOver({eth0});
}
NetworkPath offline() {
    return NetworkPath{NetworkPathStatus::unsatisfied, {}};
}

class NWPathNetworkChangeObserverTest : public ::testing::Test {
protected:
    void SetUp() override {
        observer->setOnNetworkChange([this] {
            ++changes;
            if (!mainActor().isCurrent())
                calledOffMainActor = true;
        });
    }

    // The change callbacks announced so far, after the main actor has run
    // everything queued for it.
    int settledChanges() {
        loop.runUntilIdle();
        return changes;
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakeNetworkPathSource> source = std::make_shared<FakeNetworkPathSource>();
    std::unique_ptr<NWPathNetworkChangeObserver> observer =
        std::make_unique<NWPathNetworkChangeObserver>(mainActor(), source);
    int changes = 0;
    bool calledOffMainActor = false;
};

TEST_F(NWPathNetworkChangeObserverTest, FirstPathAfterStartIsNeverReported) {
    observer->startObserving();
    source->submit(wifi());
    EXPECT_EQ(settledChanges(), 0);

    source->submit(wired());
    EXPECT_EQ(settledChanges(), 1);
}

TEST_F(NWPathNetworkChangeObserverTest, FirstPathIsSwallowedAgainAfterStopAndStart) {
    observer->startObserving();
    source->submit(wifi());
    source->submit(wired());
    ASSERT_EQ(settledChanges(), 1);

    observer->stopObserving();
    observer->startObserving();
    // Differs from the last path seen before the stop, and still only sets
    // the new baseline.
    source->submit(wifi());
    EXPECT_EQ(settledChanges(), 1);
    source->submit(wired());
    EXPECT_EQ(settledChanges(), 2);
}

struct Transition {
    const char* name;
    NetworkPath from;
    NetworkPath to;
    int expectedChanges;
};

TEST_F(NWPathNetworkChangeObserverTest, ReportsOnlyChangesOfStatusOrInterfaceTypes) {
    const std::vector<Transition> transitions = {
        {"Wi-Fi to wired", wifi(), wired(), 1},
        {"wired to Wi-Fi", wired(), wifi(), 1},
        {"satisfied to unsatisfied", wifi(), offline(), 1},
        {"unsatisfied to satisfied", offline(), wired(), 1},
        {"status alone", NetworkPath{NetworkPathStatus::unsatisfied, {wlan0}}, wifi(), 1},
        {"a tunnel joins", wired(), pathOver({eth0, tun0}), 1},
        {"cellular to Wi-Fi", pathOver({wwan0}), wifi(), 1},
        {"identical paths", wifi(), wifi(), 0},
        {"another interface of the same type", wifi(), pathOver({wlan1}), 0},
        {"unsatisfied twice", offline(), offline(), 0},
    };
    for (const auto& transition : transitions) {
        SCOPED_TRACE(transition.name);
        auto subject = std::make_unique<NWPathNetworkChangeObserver>(mainActor(), source);
        int seen = 0;
        subject->setOnNetworkChange([&seen] { ++seen; });
        subject->startObserving();
        source->submit(transition.from);
        source->submit(transition.to);
        loop.runUntilIdle();
        EXPECT_EQ(seen, transition.expectedChanges);
        subject->stopObserving();
    }
}

TEST_F(NWPathNetworkChangeObserverTest, EqualSignaturesInARowStaySilent) {
    observer->startObserving();
    source->submit(wifi());
    source->submit(wired());
    source->submit(wired());
    source->submit(pathOver({NetworkPathInterface{"eth1", NetworkInterfaceType::wiredEthernet}}));
    source->submit(wired());
    EXPECT_EQ(settledChanges(), 1);
}

TEST_F(NWPathNetworkChangeObserverTest, PathsArriveOnTheMonitorQueueAndChangesOnTheMainActor) {
    observer->startObserving();
    source->submit(wifi());
    source->submit(wired());
    source->submit(wifi());
    EXPECT_EQ(settledChanges(), 2);
    EXPECT_FALSE(calledOffMainActor);
    ASSERT_EQ(source->monitors.size(), 1u);
    EXPECT_FALSE(source->monitors[0]->queue->isCurrent());
    EXPECT_NE(source->monitors[0]->queue, &mainActor());
    EXPECT_TRUE(source->monitors[0]->handlerRanOnQueue);
}

TEST_F(NWPathNetworkChangeObserverTest, StartingTwiceStartsOneMonitorAndStoppingTwiceCancelsOnce) {
    observer->startObserving();
    observer->startObserving();
    ASSERT_EQ(source->monitors.size(), 1u);

    observer->stopObserving();
    observer->stopObserving();
    EXPECT_EQ(source->monitors[0]->cancelCount, 1);

    observer->startObserving();
    EXPECT_EQ(source->monitors.size(), 2u);
}

TEST_F(NWPathNetworkChangeObserverTest, PathArrivingAfterStopIsIgnored) {
    observer->startObserving();
    source->submit(wifi());
    observer->stopObserving();

    source->submit(wired(), 0);
    EXPECT_EQ(settledChanges(), 0);
}

TEST_F(NWPathNetworkChangeObserverTest, LatePathOfAnEarlierStartIsNotTheFirstPathOfTheNext) {
    observer->startObserving();
    source->submit(wifi(), 0);
    observer->stopObserving();
    observer->startObserving();

    // Under way from the first monitor when it was cancelled.
    source->submit(wired(), 0);
    // Had the late path set the baseline, this one would count as a change.
    source->submit(wifi(), 1);
    EXPECT_EQ(settledChanges(), 0);

    source->submit(wired(), 1);
    EXPECT_EQ(settledChanges(), 1);
}

TEST_F(NWPathNetworkChangeObserverTest, ChangeAnnouncedJustBeforeStopIsNotCalled) {
    observer->startObserving();
    source->submit(wifi());
    source->submit(wired()); // announced; the main actor has not run it yet
    observer->stopObserving();
    EXPECT_EQ(settledChanges(), 0);

    // Nor after a quick restart.
    source->submit(wifi(), 0);
    observer->startObserving();
    source->submit(wired(), 0);
    EXPECT_EQ(settledChanges(), 0);
}

TEST_F(NWPathNetworkChangeObserverTest, MissingCallbackIsSkippedAndAReplacementIsUsed) {
    observer->setOnNetworkChange({});
    observer->startObserving();
    source->submit(wifi());
    source->submit(wired());
    loop.runUntilIdle();
    EXPECT_FALSE(observer->onNetworkChange());

    int replaced = 0;
    observer->setOnNetworkChange([&replaced] { ++replaced; });
    source->submit(wifi());
    loop.runUntilIdle();
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(changes, 0);
}

TEST_F(NWPathNetworkChangeObserverTest, DestroyedObserverCancelsItsMonitorAndCallsNothing) {
    observer->startObserving();
    source->submit(wifi());
    source->submit(wired()); // announced, not yet run
    auto monitor = source->monitors[0];
    observer.reset();

    EXPECT_EQ(monitor->cancelCount, 1);
    EXPECT_EQ(settledChanges(), 0);
}

} // namespace
} // namespace lumra
