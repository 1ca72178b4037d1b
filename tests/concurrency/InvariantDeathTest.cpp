// The task system's invariants are asserted, so misuse stops a debug build at
// the faulty line instead of corrupting state later.
#include "concurrency/Hops.h"
#include "concurrency/Published.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"

#include <gtest/gtest.h>
#include <thread>

namespace lumra {
namespace {

class InvariantDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef NDEBUG
        GTEST_SKIP() << "asserts are compiled out of this build";
#endif
        // The runtime has threads: the child re-runs this test from the start.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

Task<int> one() {
    co_return 1;
}

TEST_F(InvariantDeathTest, APublishedValueSetOffTheMainActorAsserts) {
    EXPECT_DEATH(
        {
            VirtualClockRunLoop loop;
            Published<int> value(0);
            value.set(1); // on the main actor's thread: fine
            std::thread([&] { value.set(2); }).join();
        },
        "a published value is set only on the main actor");
}

TEST_F(InvariantDeathTest, AWillChangeSignalFiredOffTheMainActorAsserts) {
    EXPECT_DEATH(
        {
            VirtualClockRunLoop loop;
            ObservableObject object;
            object.notifyWillChange();
            std::thread([&] { object.notifyWillChange(); }).join();
        },
        "a will-change signal fires only on the main actor");
}

TEST_F(InvariantDeathTest, AwaitingATaskTwiceAsserts) {
    EXPECT_DEATH(
        {
            VirtualClockRunLoop loop;
            auto handle = spawn(mainActor(), []() -> Task<int> {
                Task<int> task = one();
                const int first = co_await task;
                co_return first + co_await task;
            });
            loop.runUntilIdle();
        },
        "a task is awaited once");
}

TEST_F(InvariantDeathTest, YieldingOutsideATaskAsserts) {
    EXPECT_DEATH(
        {
            VirtualClockRunLoop loop;
            (void)yieldNow();
        },
        "yieldNow\\(\\) runs inside a task");
}

} // namespace
} // namespace lumra
