// The sleep/wake observer over logind's signals on a private bus with a fake
// logind: the whole road from the bus to the lifecycle's callbacks.
#include "concurrency/RunLoop.h"
#include "monitoring/observers/WorkspaceSleepWakeObserver.h"
#include "platform/power/LogindSleepSource.h"
#include "tests/platform/bus/PrivateBus.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

class SleepWakeObserverBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        observer.setOnWillSleep([this] { record("will-sleep"); });
        observer.setOnDidWake([this] { record("did-wake"); });
    }

    void record(std::string event) {
        events.push_back(std::move(event));
        if (!mainActor().isCurrent())
            offMainActor = true;
    }

    bool waitForEvent(const std::string& label) {
        return loop.runUntil([&] { return !events.empty() && events.back() == label; }, 10s);
    }

    RunLoop loop;
    test::PrivateBus bus;
    test::FakeLogind logind{bus.address()};
    WorkspaceSleepWakeObserver observer{
        std::make_shared<LogindSleepSource>(BusAddress::explicitAddress(bus.address()))};
    std::vector<std::string> events;
    bool offMainActor = false;
};

TEST_F(SleepWakeObserverBusTest, WillSleepAndDidWakeReachTheCallbacksOnTheMainActor) {
    observer.startObserving();
    // Joining the bus is asynchronous: announce sleep until it is heard.
    for (int attempt = 0; attempt < 100 && events.empty(); ++attempt) {
        logind.prepareForSleep(true);
        loop.runUntil([&] { return !events.empty(); }, 100ms);
    }
    ASSERT_FALSE(events.empty());
    logind.prepareForSleep(false);
    ASSERT_TRUE(waitForEvent("did-wake"));

    for (std::size_t i = 0; i + 1 < events.size(); ++i)
        EXPECT_EQ(events[i], "will-sleep");
    EXPECT_FALSE(offMainActor);
}

TEST_F(SleepWakeObserverBusTest, StoppedObserverIsNotCalled) {
    observer.startObserving();
    for (int attempt = 0; attempt < 100 && events.empty(); ++attempt) {
        logind.prepareForSleep(true);
        loop.runUntil([&] { return !events.empty(); }, 100ms);
    }
    ASSERT_FALSE(events.empty());
    observer.stopObserving();
    const auto heard = events.size();

    // Another listener tells when the wake has been delivered.
    LogindSleepSource witness{BusAddress::explicitAddress(bus.address())};
    int witnessed = 0;
    witness.addObserver(SleepWakeNotification::didWake, [&witnessed] { ++witnessed; });
    for (int attempt = 0; attempt < 100 && witnessed == 0; ++attempt) {
        logind.prepareForSleep(false);
        loop.runUntil([&] { return witnessed > 0; }, 100ms);
    }
    ASSERT_GT(witnessed, 0);
    EXPECT_EQ(events.size(), heard);
}

} // namespace
} // namespace lumra
