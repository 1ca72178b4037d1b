#include "monitoring/observers/WorkspaceSleepWakeObserver.h"

#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"

#include <gtest/gtest.h>
#include <map>

namespace lumra {
namespace {

// Keeps every block it was given, also after removal, so a test can play a
// notification that was under way when the observer went.
class FakeSleepWakeCenter final : public SleepWakeNotifying {
public:
    struct Registration {
        SleepWakeNotification name;
        std::function<void()> block;
        bool removed = false;
    };

    ObserverToken addObserver(SleepWakeNotification name, std::function<void()> block) override {
        const ObserverToken token = nextToken++;
        registrations.emplace(token, Registration{name, std::move(block)});
        added.push_back(token);
        return token;
    }

    void removeObserver(ObserverToken token) override {
        registrations.at(token).removed = true;
        removed.push_back(token);
    }

    void post(SleepWakeNotification name) {
        for (auto& [token, registration] : registrations) {
            if (registration.name == name && !registration.removed)
                registration.block();
        }
    }

    int activeCount() const {
        int count = 0;
        for (const auto& [token, registration] : registrations)
            count += registration.removed ? 0 : 1;
        return count;
    }

    std::map<ObserverToken, Registration> registrations;
    std::vector<ObserverToken> added;
    std::vector<ObserverToken> removed;
    ObserverToken nextToken = 1;
};

class WorkspaceSleepWakeObserverTest : public ::testing::Test {
protected:
    void SetUp() override {
        observer->setOnWillSleep([this] { events.push_back("will-sleep"); });
        observer->setOnDidWake([this] { events.push_back("did-wake"); });
    }

    std::shared_ptr<FakeSleepWakeCenter> center = std::make_shared<FakeSleepWakeCenter>();
    std::unique_ptr<WorkspaceSleepWakeObserver> observer =
        std::make_unique<WorkspaceSleepWakeObserver>(center);
    std::vector<std::string> events;
};

TEST_F(WorkspaceSleepWakeObserverTest, RegistersNothingBeforeStart) {
    EXPECT_TRUE(center->added.empty());
    center->post(SleepWakeNotification::willSleep);
    EXPECT_TRUE(events.empty());
}

TEST_F(WorkspaceSleepWakeObserverTest, StartRegistersWillSleepThenDidWakeOnce) {
    observer->startObserving();
    observer->startObserving();
    ASSERT_EQ(center->added.size(), 2u);
    EXPECT_EQ(center->registrations.at(center->added[0]).name, SleepWakeNotification::willSleep);
    EXPECT_EQ(center->registrations.at(center->added[1]).name, SleepWakeNotification::didWake);
}

TEST_F(WorkspaceSleepWakeObserverTest, EachNotificationCallsItsCallback) {
    observer->startObserving();
    center->post(SleepWakeNotification::willSleep);
    center->post(SleepWakeNotification::didWake);
    center->post(SleepWakeNotification::didWake);
    EXPECT_EQ(events, (std::vector<std::string>{"will-sleep", "did-wake", "did-wake"}));
}

TEST_F(WorkspaceSleepWakeObserverTest, StopRemovesBothRegistrationsInOrderAndTwiceIsHarmless) {
    observer->startObserving();
    const auto added = center->added;
    observer->stopObserving();
    observer->stopObserving();
    EXPECT_EQ(center->removed, added);
    center->post(SleepWakeNotification::willSleep);
    EXPECT_TRUE(events.empty());

    observer->startObserving();
    EXPECT_EQ(center->activeCount(), 2);
}

TEST_F(WorkspaceSleepWakeObserverTest, CallbacksAreReadWhenTheNotificationArrives) {
    observer->setOnWillSleep({});
    observer->startObserving();
    center->post(SleepWakeNotification::willSleep); // absent: skipped
    EXPECT_TRUE(events.empty());

    observer->setOnWillSleep([this] { events.push_back("replaced"); });
    center->post(SleepWakeNotification::willSleep);
    EXPECT_EQ(events, (std::vector<std::string>{"replaced"}));
}

TEST_F(WorkspaceSleepWakeObserverTest, BlocksHoldTheObserverWeakly) {
    observer->startObserving();
    observer.reset();
    EXPECT_EQ(center->activeCount(), 0); // its end removed the registrations
    for (auto& [token, registration] : center->registrations)
        registration.block(); // played anyway: nothing happens
    EXPECT_TRUE(events.empty());
}

TEST(NoOpObserversTest, KeepTheirCallbacksAndNeverCallThem) {
    int calls = 0;
    NoOpNetworkChangeObserver network;
    network.setOnNetworkChange([&calls] { ++calls; });
    network.startObserving();
    network.stopObserving();
    ASSERT_TRUE(network.onNetworkChange());
    network.onNetworkChange()();

    NoOpSleepWakeObserver sleepWake;
    sleepWake.setOnWillSleep([&calls] { ++calls; });
    sleepWake.setOnDidWake([&calls] { ++calls; });
    sleepWake.startObserving();
    sleepWake.stopObserving();
    ASSERT_TRUE(sleepWake.onWillSleep());
    ASSERT_TRUE(sleepWake.onDidWake());
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace lumra
