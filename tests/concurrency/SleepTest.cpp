#include "concurrency/Sleep.h"

#include "concurrency/Hops.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

TEST(TaskSleeperTest, ZeroOrNegativeReturnsWithoutSuspendingEvenWhenCancelled) {
    for (const double seconds : {0.0, -1.0, std::nan("")}) {
        VirtualClockRunLoop loop;
        TaskSleeper sleeper;
        std::vector<std::string> order;
        auto first = spawn(mainActor(), [&]() -> Task<void> {
            currentTask()->cancel();
            co_await sleeper.sleepSeconds(seconds);
            order.push_back("after sleep");
        });
        auto second = spawn(mainActor(), [&]() -> Task<void> {
            order.push_back("next task");
            co_return;
        });
        loop.runUntilIdle();
        EXPECT_EQ(order, (std::vector<std::string>{"after sleep", "next task"})) << seconds;
        EXPECT_NO_THROW(first.get());
    }
}

TEST(TaskSleeperTest, NanosecondCountsDropTheFractionAndClampWhatDoesNotFit) {
    struct Case {
        double seconds;
        std::uint64_t nanoseconds;
    };
    const std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    for (const Case& c : std::vector<Case>{{0.5, 500'000'000},
                                           {1e-10, 0},
                                           {0.35, 350'000'000},
                                           {30.0, 30'000'000'000},
                                           {1e12, most},
                                           {std::numeric_limits<double>::infinity(), most},
                                           {-std::numeric_limits<double>::infinity(), 0}}) {
        EXPECT_EQ(TaskSleeper::nanosecondsFor(c.seconds), c.nanoseconds) << c.seconds;
    }
}

TEST(TaskSleeperTest, AnEndlessWaitEndsWhenCancelled) {
    VirtualClockRunLoop loop;
    TaskSleeper sleeper;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        co_await sleeper.sleepSeconds(std::numeric_limits<double>::infinity());
    });
    loop.advanceBy(24h * 365);
    EXPECT_FALSE(handle.isFinished());
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), CancellationError);
}

TEST(SleepTest, ADayOfVirtualSleepTakesWellUnderASecond) {
    const auto started = std::chrono::steady_clock::now();
    VirtualClockRunLoop loop;
    TaskSleeper sleeper;
    const auto before = loop.clock().uptimeNow();
    Clock::UptimePoint woke{};
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        co_await sleeper.sleepSeconds(24 * 3600.0);
        woke = runtimeClock().uptimeNow();
    });
    loop.advanceBy(24h - 1ms);
    EXPECT_FALSE(handle.isFinished());
    loop.advanceBy(1ms);
    EXPECT_TRUE(handle.isFinished());
    EXPECT_EQ(woke - before, 24h);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

TEST(SleepTest, CancellationDuringTheWaitThrowsAtOnce) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<void> { co_await sleepFor(10s); });
    loop.advanceBy(1s);
    handle.cancel();
    loop.runUntilIdle();
    ASSERT_TRUE(handle.isFinished());
    EXPECT_THROW(handle.get(), CancellationError);
    EXPECT_FALSE(loop.clock().nextDeadline()) << "the timer is gone";
}

TEST(SleepTest, WakesInDeadlineOrderFirstComeFirstOnTies) {
    VirtualClockRunLoop loop;
    std::vector<std::string> order;
    auto sleeper = [&](std::string name, std::chrono::milliseconds delay) {
        return spawn(mainActor(), [&order, name, delay]() -> Task<void> {
            co_await sleepFor(delay);
            order.push_back(name);
        });
    };
    sleeper("b", 200ms);
    sleeper("a1", 100ms);
    sleeper("a2", 100ms);
    loop.runUntilIdle();
    loop.advanceBy(1s);
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "a2", "b"}));
}

TEST(SleepTest, RealClockSleepsAndCanBeCancelled) {
    RunLoop loop;
    const auto started = std::chrono::steady_clock::now();
    auto quick = spawn(mainActor(), []() -> Task<void> { co_await sleepFor(20ms); });
    loop.await(quick);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 20ms);
    auto slow = spawn(mainActor(), []() -> Task<void> { co_await sleepFor(1h); });
    loop.runUntil([] { return false; }, 10ms);
    slow.cancel();
    EXPECT_THROW(loop.await(slow, 5s), CancellationError);
}

TEST(VirtualClockRunLoopTest, RunForCutsOffWorkThatNeverIdles) {
    VirtualClockRunLoop loop;
    int turns = 0;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        while (!isCancelled()) {
            ++turns;
            co_await yieldNow();
        }
    });
    const std::size_t jobs = loop.runFor(1s, 500);
    EXPECT_GE(jobs, 500u);
    EXPECT_GE(turns, 400);
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(handle.isFinished());
}

} // namespace
} // namespace lumra
