#include "concurrency/CancellableContinuation.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace lumra {
namespace {

// An operation the test answers or stops by hand.
struct Operation {
    std::shared_ptr<std::optional<CancellableContinuation<int>>> slot =
        std::make_shared<std::optional<CancellableContinuation<int>>>();
    std::shared_ptr<std::vector<std::string>> log = std::make_shared<std::vector<std::string>>();

    Task<int> wait() const {
        auto start = [slot = slot, log = log](CancellableContinuation<int> continuation) {
            log->push_back("started");
            *slot = continuation;
            continuation.onCancel([log] { log->push_back("stopped"); });
        };
        return withCancellableContinuation<int>(std::move(start));
    }
    bool isWaiting() const { return slot->has_value(); }
    // A main-actor task that waits on the operation, started and suspended.
    TaskHandle<int> startWaiting(VirtualClockRunLoop& loop) const {
        auto handle = spawn(mainActor(), [*this]() -> Task<int> { co_return co_await wait(); });
        loop.runUntilIdle();
        EXPECT_TRUE(isWaiting());
        return handle;
    }
    const CancellableContinuation<int>& continuation() const { return **slot; }
};

struct StoppedError final : std::runtime_error {
    StoppedError() : std::runtime_error("stopped by the caller") {}
};

TEST(CancellableContinuationTest, TheAnswerResumesTheTaskAndLaterEndsAreIgnored) {
    VirtualClockRunLoop loop;
    Operation operation;
    auto handle = operation.startWaiting(loop);
    EXPECT_TRUE(operation.continuation().resume(7));
    EXPECT_FALSE(operation.continuation().resume(8));
    EXPECT_FALSE(operation.continuation().resumeThrowing(StoppedError()));
    handle.cancel(); // after the answer: nothing left to stop
    loop.runUntilIdle();
    EXPECT_EQ(handle.get(), 7);
    EXPECT_EQ(*operation.log, (std::vector<std::string>{"started"}));
}

TEST(CancellableContinuationTest, CancellationEndsTheWaitThenStopsTheOperation) {
    VirtualClockRunLoop loop;
    Operation operation;
    auto handle = operation.startWaiting(loop);
    // The stop sees the wait already ended, so an answer it causes is lost.
    operation.continuation().onCancel([operation] {
        operation.log->push_back(operation.continuation().hasEnded() ? "ended, stopping"
                                                                     : "still waiting");
        EXPECT_FALSE(operation.continuation().resume(1));
    });
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), CancellationError);
    EXPECT_EQ(*operation.log, (std::vector<std::string>{"started", "ended, stopping"}));
}

TEST(CancellableContinuationTest, ATaskCancelledBeforeTheWaitNeverStartsTheOperation) {
    VirtualClockRunLoop loop;
    Operation operation;
    auto handle = spawn(mainActor(), [operation]() -> Task<int> {
        currentTask()->cancel();
        co_return co_await operation.wait();
    });
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), CancellationError);
    EXPECT_TRUE(operation.log->empty());
}

TEST(CancellableContinuationTest, AStopRegisteredAfterTheCancellationRunsAtOnce) {
    VirtualClockRunLoop loop;
    Operation operation;
    auto handle = operation.startWaiting(loop);
    handle.cancel(); // runs the stop the operation registered
    bool lateStopRan = false;
    operation.continuation().onCancel([&] { lateStopRan = true; });
    EXPECT_TRUE(lateStopRan);
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), CancellationError);
}

TEST(CancellableContinuationTest, TheCallerChoosesTheCancellationError) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<void> {
        auto start = [](CancellableContinuation<void>) {
        };
        auto stopped = [] {
            return std::make_exception_ptr(StoppedError());
        };
        co_await withCancellableContinuation<void>(std::move(start), std::move(stopped));
    });
    loop.runUntilIdle();
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), StoppedError);
}

TEST(CancellableContinuationTest, AnAnswerRacingTheCancellationResumesExactlyOnce) {
    for (int round = 0; round < 200; ++round) {
        VirtualClockRunLoop loop;
        Operation operation;
        auto handle = operation.startWaiting(loop);
        ASSERT_TRUE(operation.isWaiting());
        bool answered = false;
        std::thread answering([&] { answered = operation.continuation().resume(round); });
        handle.cancel();
        answering.join();
        loop.runUntilIdle();
        ASSERT_TRUE(handle.isFinished());
        if (answered) {
            EXPECT_EQ(handle.get(), round);
            EXPECT_EQ(*operation.log, (std::vector<std::string>{"started"}));
        } else {
            EXPECT_THROW(handle.get(), CancellationError);
            EXPECT_EQ(*operation.log, (std::vector<std::string>{"started", "stopped"}));
        }
    }
}

} // namespace
} // namespace lumra
