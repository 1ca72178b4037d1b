#include "concurrency/Published.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace lumra {
namespace {

TEST(PublishedTest, DeliversTheNewValueBeforeStoringIt) {
    Published<int> value(1);
    std::vector<std::pair<int, int>> seen; // (delivered, stored at that moment)
    auto subscription = value.subscribe([&](const int& v) { seen.emplace_back(v, value.get()); });
    value.set(2);
    value.set(2);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}}))
        << "replay, then every assignment, also of an unchanged value";
    EXPECT_EQ(value.get(), 2);
}

TEST(PublishedTest, ANestedSetIsDeliveredAndStoredThenTheOuterValueIsStored) {
    Published<int> value(0);
    std::vector<int> first;
    std::vector<int> second;
    auto a = value.subscribe([&](const int& v) {
        first.push_back(v);
        if (v == 1)
            value.set(10);
    });
    auto b = value.subscribe([&](const int& v) { second.push_back(v); });
    value.set(1);
    EXPECT_EQ(first, (std::vector<int>{0, 1, 10}));
    EXPECT_EQ(second, (std::vector<int>{0, 10, 1}));
    EXPECT_EQ(value.get(), 1);
}

TEST(PublishedTest, ModifyNotifiesOnce) {
    Published<std::vector<int>> history(std::vector<int>{});
    int notifications = 0;
    auto subscription = history.subscribe([&](const std::vector<int>&) { ++notifications; });
    history.modify([](std::vector<int>& h) {
        h.push_back(1);
        h.push_back(2);
        h.erase(h.begin());
    });
    EXPECT_EQ(notifications, 2); // replay + one change
    EXPECT_EQ(history.get(), std::vector<int>{2});
}

TEST(PublishedTest, SubscribingAndUnsubscribingDuringANotificationAreSafe) {
    Published<int> value(0);
    std::optional<Subscription> late;
    std::optional<Subscription> victim;
    std::vector<std::string> calls;
    auto first = value.subscribe([&](const int& v) {
        calls.push_back("first " + std::to_string(v));
        if (v == 1) {
            victim.reset(); // a later subscriber leaves mid-notification
            late = value.subscribe(
                [&](const int& x) { calls.push_back("late " + std::to_string(x)); });
        }
    });
    victim = value.subscribe([&](const int& v) { calls.push_back("victim " + std::to_string(v)); });
    calls.clear();
    value.set(1);
    value.set(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 1", "late 0", "first 2", "late 2"}))
        << "the late subscriber gets the stored value, then later assignments";
}

TEST(PublishedTest, ADestroyedSubscriptionStopsDeliveryAndMayOutliveThePublisher) {
    auto value = std::make_unique<Published<int>>(0);
    int calls = 0;
    Subscription subscription = value->subscribe([&](const int&) { ++calls; });
    subscription.cancel();
    value->set(1);
    EXPECT_EQ(calls, 1);
    Subscription outliving = value->subscribe([&](const int&) { ++calls; });
    value.reset();
    outliving.cancel();
    EXPECT_EQ(calls, 2);
}

TEST(PublishedTest, TheOwnersWillChangeFiresFirstWhileTheOldValueIsStored) {
    ObservableObject owner;
    Published<std::string> name("old", &owner);
    std::vector<std::string> events;
    auto willChange =
        owner.subscribeWillChange([&] { events.push_back("will change: " + name.get()); });
    auto values = name.subscribe([&](const std::string& v) { events.push_back("value: " + v); });
    events.clear();
    name.set("new");
    EXPECT_EQ(events, (std::vector<std::string>{"will change: old", "value: new"}));
}

TEST(PublishedTest, TheReplayAndTheNotificationsReachTheSameCallbackObject) {
    Published<int> value(0);
    std::vector<int> calls;
    auto subscription =
        value.subscribe([&calls, count = 0](const int&) mutable { calls.push_back(++count); });
    value.set(1);
    EXPECT_EQ(calls, (std::vector<int>{1, 2}));
}

TEST(PublishedTest, APublisherErasesTheType) {
    Published<int> value(5);
    Publisher<int>& publisher = value;
    int last = 0;
    auto subscription = publisher.subscribe([&](const int& v) { last = v; });
    EXPECT_EQ(last, 5);
    value.set(6);
    EXPECT_EQ(last, 6);
    EXPECT_EQ(publisher.get(), 6);
}

} // namespace
} // namespace lumra
