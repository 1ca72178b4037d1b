#include "concurrency/TaskGroup.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "concurrency/WhenAll.h"

#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

Task<int> valueAfter(int value, std::chrono::milliseconds delay) {
    co_await sleepFor(delay);
    co_return value;
}

Task<int> failAfter(std::string message, std::chrono::milliseconds delay) {
    co_await sleepFor(delay);
    throw std::runtime_error(message);
}

TEST(ThrowingTaskGroupTest, YieldsResultsInCompletionOrder) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<std::vector<int>> {
        co_return co_await withThrowingTaskGroup<int>(
            [](ThrowingTaskGroup<int>& group) -> Task<std::vector<int>> {
                group.addTask([] { return valueAfter(3, 300ms); });
                group.addTask([] { return valueAfter(1, 100ms); });
                group.addTask([] { return valueAfter(2, 200ms); });
                std::vector<int> results;
                while (auto value = co_await group.next()) {
                    results.push_back(*value);
                    co_await sleepFor(10ms); // an awaited step between results
                }
                co_return results;
            });
    });
    loop.advanceBy(1s);
    EXPECT_EQ(handle.get(), (std::vector<int>{1, 2, 3}));
}

TEST(ThrowingTaskGroupTest, OnAChildsErrorCancelsTheOthersWaitsForThemThenRethrowsTheFirstError) {
    VirtualClockRunLoop loop;
    bool siblingCancelled = false;
    bool siblingEnded = false;
    bool otherFailureSeen = false;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        co_await withThrowingTaskGroup<int>([&](ThrowingTaskGroup<int>& group) -> Task<void> {
            group.addTask([] { return failAfter("first", 100ms); });
            group.addTask([] { return failAfter("second", 150ms); });
            group.addTask([&]() -> Task<int> {
                // A slow sibling: it notices the cancellation, then still
                // needs 5 s of cleanup that cannot be cut short.
                try {
                    co_await sleepFor(1h);
                } catch (const CancellationError&) {
                    siblingCancelled = true;
                }
                auto cleanup = spawn(mainActor(), []() -> Task<void> { co_await sleepFor(5s); });
                co_await cleanup.value();
                siblingEnded = true;
                co_return 0;
            });
            while (co_await group.next()) {
            }
            otherFailureSeen = true;
        });
    });
    loop.advanceBy(1s);
    EXPECT_TRUE(siblingCancelled);
    EXPECT_FALSE(handle.isFinished()) << "the group waits for the slow sibling";
    loop.advanceBy(5s);
    ASSERT_TRUE(handle.isFinished());
    EXPECT_TRUE(siblingEnded);
    EXPECT_FALSE(otherFailureSeen);
    try {
        handle.get();
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "first");
    }
}

TEST(ThrowingTaskGroupTest, ACancelledTaskCancelsAndJoinsEveryChild) {
    VirtualClockRunLoop loop;
    int cancelledChildren = 0;
    auto handle = spawn(mainActor(), [&]() -> Task<int> {
        co_return co_await withThrowingTaskGroup<int>(
            [&](ThrowingTaskGroup<int>& group) -> Task<int> {
                for (int i = 0; i < 3; ++i) {
                    group.addTask([&]() -> Task<int> {
                        try {
                            co_await sleepFor(1h);
                        } catch (const CancellationError&) {
                            ++cancelledChildren;
                            throw;
                        }
                        co_return 1;
                    });
                }
                int sum = 0;
                while (auto value = co_await group.next())
                    sum += *value;
                co_return sum;
            });
    });
    loop.advanceBy(1s);
    handle.cancel();
    loop.runUntilIdle();
    ASSERT_TRUE(handle.isFinished());
    EXPECT_EQ(cancelledChildren, 3);
    EXPECT_THROW(handle.get(), CancellationError);
}

TEST(ThrowingTaskGroupTest, ABodyThatReturnsEarlyStillJoinsTheChildren) {
    VirtualClockRunLoop loop;
    int finished = 0;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        co_await withThrowingTaskGroup<void>([&](ThrowingTaskGroup<void>& group) -> Task<void> {
            for (int i = 1; i <= 2; ++i) {
                group.addTask([&, i]() -> Task<void> {
                    co_await sleepFor(std::chrono::seconds(i));
                    ++finished;
                });
            }
            co_return;
        });
    });
    loop.advanceBy(1500ms);
    EXPECT_FALSE(handle.isFinished());
    loop.advanceBy(1s);
    EXPECT_TRUE(handle.isFinished());
    EXPECT_EQ(finished, 2);
}

TEST(WhenAllTest, RunsConcurrentlyAndAnswersInTheGivenOrder) {
    VirtualClockRunLoop loop;
    const auto start = loop.clock().uptimeNow();
    auto handle = spawn(mainActor(), []() -> Task<std::tuple<int, int, std::monostate>> {
        auto nothing = []() -> Task<void> {
            co_await sleepFor(50ms);
        };
        co_return co_await whenAll(valueAfter(1, 200ms), valueAfter(2, 100ms), nothing());
    });
    loop.advanceBy(1s);
    EXPECT_EQ(handle.get(), std::make_tuple(1, 2, std::monostate{}));
    (void)start;
}

TEST(WhenAllTest, StartsTheChildrenInTheGivenOrder) {
    VirtualClockRunLoop loop;
    std::vector<int> started;
    auto note = [&](int i) -> Task<int> {
        started.push_back(i);
        co_return i;
    };
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        auto first = note(1);
        auto second = note(2);
        auto third = note(3);
        co_await whenAll(std::move(first), std::move(second), std::move(third));
    });
    loop.runUntilIdle();
    EXPECT_TRUE(handle.isFinished());
    EXPECT_EQ(started, (std::vector<int>{1, 2, 3}));
}

TEST(WhenAllTest, TakesTheLongestChildsTimeNotTheSum) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<std::vector<int>> {
        std::vector<Task<int>> tasks;
        for (int i = 0; i < 4; ++i)
            tasks.push_back(valueAfter(i, 100ms));
        co_return co_await whenAll(std::move(tasks));
    });
    loop.advanceBy(150ms);
    ASSERT_TRUE(handle.isFinished());
    EXPECT_EQ(handle.get(), (std::vector<int>{0, 1, 2, 3}));
}

TEST(WhenAllTest, AnErrorCancelsTheLaterChildrenAfterTheyAreJoined) {
    VirtualClockRunLoop loop;
    bool laterCancelled = false;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        auto later = [&]() -> Task<int> {
            try {
                co_await sleepFor(1h);
            } catch (const CancellationError&) {
                laterCancelled = true;
                throw;
            }
            co_return 0;
        };
        co_await whenAll(failAfter("early", 10ms), later());
    });
    loop.advanceBy(1s);
    ASSERT_TRUE(handle.isFinished());
    EXPECT_TRUE(laterCancelled);
    EXPECT_THROW(handle.get(), std::runtime_error);
}

TEST(WhenAllTest, RunningChildrenAreCancelledWithTheirParent) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<std::tuple<int, int>> {
        co_return co_await whenAll(valueAfter(1, 1h), valueAfter(2, 2h));
    });
    loop.advanceBy(1s);
    handle.cancel();
    loop.runUntilIdle();
    ASSERT_TRUE(handle.isFinished());
    EXPECT_THROW(handle.get(), CancellationError);
}

} // namespace
} // namespace lumra
