#include "concurrency/TimerQueue.h"

#include <gtest/gtest.h>
#include <string>

namespace lumra {
namespace {

using TimePoint = int;

std::string fireAllDueBy(TimerQueue<TimePoint>& timers, TimePoint limit, std::string& log) {
    while (auto due = timers.takeDue(limit))
        due->second();
    return log;
}

TEST(TimerQueueTest, FiresInDeadlineOrderAndInAddedOrderAtEqualDeadlines) {
    TimerQueue<TimePoint> timers;
    std::string log;
    timers.add(30, [&] { log += 'c'; });
    timers.add(10, [&] { log += 'a'; });
    timers.add(20, [&] { log += 'b'; });
    timers.add(10, [&] { log += 'A'; });
    EXPECT_EQ(timers.nextDeadline(), 10);
    EXPECT_EQ(fireAllDueBy(timers, 20, log), "aAb");
    EXPECT_EQ(timers.nextDeadline(), 30);
    EXPECT_EQ(fireAllDueBy(timers, 29, log), "aAb") << "not due yet";
    EXPECT_EQ(fireAllDueBy(timers, 30, log), "aAbc");
    EXPECT_EQ(timers.nextDeadline(), std::nullopt);
}

TEST(TimerQueueTest, CancelHandsBackTheJobOnceAndItNeverFires) {
    TimerQueue<TimePoint> timers;
    std::string log;
    const auto kept = timers.add(5, [&] { log += 'k'; });
    const auto cancelled = timers.add(5, [&] { log += 'x'; });
    Job dropped = timers.cancel(cancelled);
    EXPECT_TRUE(dropped);
    EXPECT_FALSE(timers.cancel(cancelled)) << "already gone";
    EXPECT_EQ(fireAllDueBy(timers, 5, log), "k");
    EXPECT_FALSE(timers.cancel(kept)) << "fired";
    EXPECT_NE(kept, cancelled);
}

} // namespace
} // namespace lumra
