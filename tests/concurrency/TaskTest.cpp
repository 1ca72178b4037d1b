#include "concurrency/Hops.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace lumra {
namespace {

TEST(SpawnTest, BodyIsQueuedNeverRunInline) {
    VirtualClockRunLoop loop;
    std::vector<std::string> order;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        order.push_back("body");
        co_return;
    });
    order.push_back("after spawn");
    loop.runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"after spawn", "body"}));
    EXPECT_TRUE(handle.isFinished());
}

TEST(SpawnTest, CancelledBeforeStartStillRunsAndSeesCancellation) {
    VirtualClockRunLoop loop;
    bool ran = false;
    bool sawCancelled = false;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        ran = true;
        sawCancelled = isCancelled();
        co_return;
    });
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(sawCancelled);
}

TEST(SpawnTest, LambdaCapturesLiveUntilTheTaskEnds) {
    VirtualClockRunLoop loop;
    auto text = std::make_shared<std::string>("kept");
    auto handle = spawn(mainActor(), [text]() -> Task<std::string> {
        co_await yieldNow();
        co_await yieldNow();
        co_return *text + "!";
    });
    text.reset();
    EXPECT_EQ(loop.await(handle), "kept!");
}

TEST(SpawnTest, AwaitingAHandleFromACancelledTaskLeavesTheAwaitedTaskRunning) {
    VirtualClockRunLoop loop;
    auto gate = std::make_shared<std::optional<CheckedContinuation<void>>>();
    auto awaited = spawn(mainActor(), [gate]() -> Task<int> {
        auto keep = [gate](CheckedContinuation<void> c) {
            *gate = c;
        };
        co_await withCheckedContinuation<void>(std::move(keep));
        co_return isCancelled() ? -1 : 7;
    });
    auto awaiter =
        spawn(mainActor(), [awaited]() -> Task<int> { co_return co_await awaited.value(); });
    loop.runUntilIdle();
    awaiter.cancel();
    loop.runUntilIdle();
    EXPECT_FALSE(awaited.isCancelled());
    EXPECT_FALSE(awaiter.isFinished()) << "the awaiter keeps waiting for the result";
    (*gate)->resume();
    EXPECT_EQ(loop.await(awaited), 7);
    EXPECT_EQ(loop.await(awaiter), 7);
}

TEST(SpawnTest, HandlesCompareByIdentityAndShareTheOutcome) {
    VirtualClockRunLoop loop;
    auto a = spawn(mainActor(), []() -> Task<int> { co_return 1; });
    auto b = spawn(mainActor(), []() -> Task<int> { co_return 1; });
    auto copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_NE(a, b);
    EXPECT_EQ(std::hash<TaskHandle<int>>{}(copy), std::hash<TaskHandle<int>>{}(a));
    copy.cancel();
    EXPECT_TRUE(a.isCancelled());
    loop.runUntilIdle();
    EXPECT_EQ(a.get(), 1);
}

TEST(SpawnTest, ErrorsPropagateThroughAwaitsAndHandles) {
    VirtualClockRunLoop loop;
    auto failing = []() -> Task<int> {
        throw std::runtime_error("boom");
        co_return 0;
    };
    auto handle = spawn(mainActor(), [failing]() -> Task<std::string> {
        try {
            co_await failing();
        } catch (const std::runtime_error& error) {
            co_return std::string("caught ") + error.what();
        }
        co_return "not thrown";
    });
    EXPECT_EQ(loop.await(handle), "caught boom");
    auto rethrown = spawn(mainActor(), [failing]() -> Task<int> { co_return co_await failing(); });
    loop.runUntilIdle();
    EXPECT_THROW(rethrown.get(), std::runtime_error);
}

// The depth of the native stack at the call.
[[gnu::noinline]] std::uintptr_t stackDepthMarker() {
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
}

Task<std::uintptr_t> completesWithoutSuspending() {
    co_return stackDepthMarker();
}

TEST(TaskTest, AMillionInlineCompletionsDoNotGrowTheStack) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<std::uintptr_t> {
        std::uintptr_t lowest = UINTPTR_MAX;
        std::uintptr_t highest = 0;
        for (int i = 0; i < 1'000'000; ++i) {
            const std::uintptr_t depth = co_await completesWithoutSuspending();
            lowest = std::min(lowest, depth);
            highest = std::max(highest, depth);
        }
        co_return highest - lowest;
    });
    EXPECT_EQ(loop.await(handle), 0u);
}

TEST(TaskTest, AChildThatHopsReturnsToItsAwaitersExecutor) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<std::vector<bool>> {
        std::vector<bool> onMain;
        auto child = []() -> Task<bool> {
            co_await resumeOn(backgroundPool());
            co_return mainActor().isCurrent();
        };
        onMain.push_back(co_await child());
        onMain.push_back(mainActor().isCurrent());
        co_return onMain;
    });
    EXPECT_EQ(loop.await(handle), (std::vector<bool>{false, true}));
}

TEST(TaskTest, RunBlockingRunsOnThePoolAndResumesOnTheTasksExecutor) {
    VirtualClockRunLoop loop;
    const auto mainThread = std::this_thread::get_id();
    auto handle = spawn(mainActor(), [mainThread]() -> Task<bool> {
        const auto worker = co_await runBlocking(backgroundPool(), TaskPriority::utility,
                                                 [] { return std::this_thread::get_id(); });
        co_return worker != mainThread&& std::this_thread::get_id() == mainThread;
    });
    EXPECT_TRUE(loop.await(handle));
}

TEST(TaskTest, RunBlockingRethrowsTheCallsError) {
    VirtualClockRunLoop loop;
    auto handle = spawn(mainActor(), []() -> Task<void> {
        co_await runBlocking(backgroundPool(), TaskPriority::medium,
                             []() -> int { throw std::invalid_argument("bad"); });
    });
    loop.runUntilIdle();
    EXPECT_THROW(handle.get(), std::invalid_argument);
}

TEST(RuntimeTest, ShutdownCancelsRunningTasksAndWaitsForTheirEnd) {
    std::optional<RunLoop> loop(std::in_place);
    bool ended = false;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        bool cancelled = false;
        try {
            co_await sleepFor(std::chrono::hours(1));
        } catch (const CancellationError&) {
            cancelled = true;
        }
        co_await yieldNow(); // the frame still runs steps after the cancellation
        ended = cancelled;
    });
    loop->runUntil([] { return false; }, std::chrono::milliseconds(20));
    const auto started = std::chrono::steady_clock::now();
    loop.reset();
    EXPECT_TRUE(ended);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

TEST(RuntimeTest, TasksSpawnedAfterShutdownNeverRun) {
    Runtime runtime;
    runtime.mainActor().bind(nullptr);
    runtime.shutdown();
    bool ran = false;
    auto handle = spawn(runtime.mainActor(), [&]() -> Task<void> {
        ran = true;
        co_return;
    });
    EXPECT_TRUE(handle.isFinished());
    EXPECT_THROW(handle.get(), CancellationError);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace lumra
