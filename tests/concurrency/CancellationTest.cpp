#include "concurrency/Cancellation.h"

#include "concurrency/Continuation.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumra {
namespace {

// Suspends until the test resumes it from outside.
struct Gate {
    std::shared_ptr<std::optional<CheckedContinuation<void>>> slot =
        std::make_shared<std::optional<CheckedContinuation<void>>>();

    auto wait() const {
        return withCheckedContinuation<void>(
            [slot = slot](CheckedContinuation<void> c) { *slot = c; });
    }
    bool isWaiting() const { return slot->has_value(); }
    void open() const { (*slot)->resume(); }
};

TEST(CancellationHandlerTest, RunsAtOnceWhenTheTaskIsAlreadyCancelledAndTheOperationStillRuns) {
    VirtualClockRunLoop loop;
    std::vector<std::string> order;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        auto operation = [&]() -> Task<void> {
            order.push_back("operation");
            co_return;
        };
        co_await withTaskCancellationHandler(operation(), [&] { order.push_back("handler"); });
    });
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"handler", "operation"}));
}

TEST(CancellationHandlerTest, RunsOnTheCancellingThread) {
    VirtualClockRunLoop loop;
    Gate gate;
    std::atomic<std::thread::id> handlerThread{};
    auto handle = spawn(mainActor(), [&, gate]() -> Task<void> {
        co_await withTaskCancellationHandler(gate.wait(),
                                             [&] { handlerThread = std::this_thread::get_id(); });
    });
    loop.runUntilIdle();
    ASSERT_TRUE(gate.isWaiting());
    std::thread::id canceller;
    std::thread thread([&] {
        canceller = std::this_thread::get_id();
        handle.cancel();
    });
    thread.join();
    EXPECT_EQ(handlerThread.load(), canceller);
    gate.open();
    loop.runUntilIdle();
    EXPECT_TRUE(handle.isFinished());
}

TEST(CancellationHandlerTest, IsRemovedBeforeTheResultIsDelivered) {
    VirtualClockRunLoop loop;
    int handlerCalls = 0;
    auto handle = spawn(mainActor(), [&]() -> Task<bool> {
        auto quick = []() -> Task<int> {
            co_return 1;
        };
        co_await withTaskCancellationHandler(quick(), [&] { ++handlerCalls; });
        // Cancelling now must not reach the handler of the finished operation.
        currentTask()->cancel();
        co_return isCancelled();
    });
    EXPECT_TRUE(loop.await(handle));
    EXPECT_EQ(handlerCalls, 0);
}

TEST(CancellationTest, CancelReachesStructuredChildrenAndNotTheParentOfAHandle) {
    VirtualClockRunLoop loop;
    EXPECT_FALSE(isCancelled()) << "outside any task";
    auto handle = spawn(mainActor(), []() -> Task<bool> {
        currentTask()->cancel();
        auto child = []() -> Task<bool> {
            co_return isCancelled();
        };
        co_return co_await child();
    });
    EXPECT_TRUE(loop.await(handle));
}

TEST(CancellationTest, CheckCancellationThrowsOnlyWhenCancelled) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<int> {
        checkCancellation();
        currentTask()->cancel();
        try {
            checkCancellation();
        } catch (const CancellationError&) {
            co_return 1;
        }
        co_return 0;
    });
    EXPECT_EQ(loop.await(handle), 1);
}

TEST(ContinuationTest, ResumedFromAForeignThreadContinuesOnTheMainActor) {
    VirtualClockRunLoop loop;
    const auto mainThread = std::this_thread::get_id();
    std::thread resumer;
    auto handle = spawn(mainActor(), [&]() -> Task<bool> {
        const int value = co_await withCheckedContinuation<int>(
            [&](CheckedContinuation<int> c) { resumer = std::thread([c] { c.resume(42); }); });
        co_return value == 42 && std::this_thread::get_id() == mainThread&& mainActor().isCurrent();
    });
    loop.runUntil([&] { return handle.isFinished(); });
    resumer.join();
    EXPECT_TRUE(handle.get());
}

TEST(ContinuationTest, TheFirstResumeWins) {
    VirtualClockRunLoop loop;
    std::vector<bool> accepted;
    auto handle = spawn(mainActor(), [&]() -> Task<int> {
        co_return co_await withCheckedThrowingContinuation<int>(
            [&](CheckedThrowingContinuation<int> c) {
                accepted.push_back(c.resume(1));
                accepted.push_back(c.resume(2));
                accepted.push_back(c.resumeThrowing(std::runtime_error("late")));
            });
    });
    EXPECT_EQ(loop.await(handle), 1);
    EXPECT_EQ(accepted, (std::vector<bool>{true, false, false}));
}

TEST(ContinuationTest, ADroppedContinuationEndsTheWaitWithAnError) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<void> {
        co_await withCheckedThrowingContinuation<void>([](CheckedThrowingContinuation<void>) {});
    });
    loop.runUntilIdle();
    ASSERT_TRUE(handle.isFinished());
    EXPECT_THROW(handle.get(), BrokenContinuationError);
}

TEST(ContinuationTest, AStartThatThrowsResumesWithItsError) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<void> {
        co_await withCheckedThrowingContinuation<void>(
            [](CheckedThrowingContinuation<void>) { throw std::runtime_error("no start"); });
    });
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), std::runtime_error);
}

} // namespace
} // namespace lumra
