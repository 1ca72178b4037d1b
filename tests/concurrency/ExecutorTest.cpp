#include "base/UniqueFd.h"
#include "concurrency/IoThread.h"
#include "concurrency/MainActor.h"
#include "concurrency/RunLoop.h"
#include "concurrency/ThreadPool.h"
#include "concurrency/VirtualClock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

class CountingBinding final : public RunLoopBinding {
public:
    void scheduleDrain() override { ++requests; }
    std::atomic<int> requests{0};
};

TEST(MainActorTest, AsksForOneDrainPerEmptyToNonEmptyTransition) {
    MainActor actor;
    CountingBinding binding;
    actor.bind(&binding);
    actor.post([] {});
    actor.post([] {});
    EXPECT_EQ(binding.requests, 1);
    EXPECT_EQ(actor.drain(), 2u);
    actor.post([] {});
    EXPECT_EQ(binding.requests, 2);
    actor.drain();
    actor.unbind();
}

TEST(MainActorTest, DrainRunsOnlyWhatWasQueuedWhenItBegan) {
    MainActor actor;
    CountingBinding binding;
    actor.bind(&binding);
    std::vector<std::string> ran;
    actor.post([&] {
        ran.push_back("first");
        actor.post([&] { ran.push_back("posted while draining"); });
    });
    EXPECT_EQ(actor.drain(), 1u);
    EXPECT_EQ(ran, std::vector<std::string>{"first"});
    EXPECT_EQ(binding.requests, 2) << "the new post asks for another drain";
    EXPECT_EQ(actor.drain(), 1u);
    actor.unbind();
}

TEST(RunLoopTest, RunForRunsWorkPostedMeanwhileAndReturnsWhenTheTimeIsUp) {
    RunLoop loop;
    MainActor& actor = loop.runtime().mainActor();
    std::vector<int> ran;
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i)
            actor.post([&ran, i] { ran.push_back(i); });
    });
    const auto start = std::chrono::steady_clock::now();
    loop.runFor(500ms);
    const auto took = std::chrono::steady_clock::now() - start;
    poster.join();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
    EXPECT_GE(took, 500ms);
    EXPECT_LT(took, 1500ms);
}

TEST(ThreadPoolTest, RunsHigherPrioritiesFirst) {
    ThreadPool pool(1);
    std::promise<void> release;
    auto released = release.get_future().share();
    pool.post([released] { released.wait(); }); // hold the only worker
    std::mutex mutex;
    std::vector<std::string> order;
    auto record = [&](std::string name) {
        return [&, name] {
            std::lock_guard lock(mutex);
            order.push_back(name);
        };
    };
    pool.post(record("background"), TaskPriority::background);
    pool.post(record("medium"), TaskPriority::medium);
    pool.post(record("high"), TaskPriority::high);
    release.set_value();
    pool.shutdown();
    EXPECT_EQ(order, (std::vector<std::string>{"high", "medium", "background"}));
}

TEST(SerialQueueTest, KeepsPostingOrderWhateverThePriority) {
    SerialQueue queue("test-queue");
    std::vector<int> order;
    for (int i = 0; i < 100; ++i)
        queue.post([&order, i] { order.push_back(i); },
                   i % 2 ? TaskPriority::high : TaskPriority::background);
    queue.shutdown();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(IoThreadTest, WatchesADescriptorAndRunsTimersInOrder) {
    // Made before the I/O thread, so it outlives the thread's watch.
    const UniquePipe ends = openPipe(0);
    ASSERT_TRUE(ends.read);
    IoThread io;
    std::promise<std::string> readText;
    const auto id = io.watch(ends.read.get(), POLLIN, [&, fd = ends.read.get()](short) {
        char buffer[16] = {};
        const auto n = ::read(fd, buffer, sizeof buffer);
        readText.set_value(std::string(buffer, n > 0 ? n : 0));
    });
    ASSERT_EQ(::write(ends.write.get(), "ping", 4), 4);
    EXPECT_EQ(readText.get_future().get(), "ping");
    io.unwatch(id);

    std::mutex mutex;
    std::vector<int> order;
    std::promise<void> done;
    const auto now = std::chrono::steady_clock::now();
    io.addTimer(now + 30ms, [&] {
        std::lock_guard lock(mutex);
        order.push_back(2);
        done.set_value();
    });
    io.addTimer(now + 10ms, [&] {
        std::lock_guard lock(mutex);
        order.push_back(1);
    });
    const auto cancelled = io.addTimer(now + 20ms, [&] {
        std::lock_guard lock(mutex);
        order.push_back(99);
    });
    EXPECT_TRUE(io.cancelTimer(cancelled));
    done.get_future().wait();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(io.cancelTimer(cancelled));
}

TEST(IoThreadTest, PostedJobsRunOnTheIoThread) {
    IoThread io;
    std::promise<bool> onIo;
    io.post([&] { onIo.set_value(io.isCurrent()); });
    EXPECT_TRUE(onIo.get_future().get());
    EXPECT_FALSE(io.isCurrent());
}

// The loop sleeps toward a far timer; what changes meanwhile must still be
// seen in time, whether another thread or the loop's own work changed it.
TEST(IoThreadTest, SeesEarlierTimersWatchesAndItsOwnWorkWhileSleepingTowardAFarTimer) {
    const UniquePipe ends = openPipe(0);
    ASSERT_TRUE(ends.read);
    IoThread io;
    const auto far = std::chrono::steady_clock::now() + 1h;
    io.addTimer(far, [] {});

    std::promise<void> fromOutside;
    io.addTimer(std::chrono::steady_clock::now() + 10ms, [&] { fromOutside.set_value(); });
    EXPECT_EQ(fromOutside.get_future().wait_for(10s), std::future_status::ready);

    std::promise<void> posted;
    std::promise<void> timed;
    int wakes = 0;
    const auto id = io.watch(ends.read.get(), POLLIN, [&](short) {
        char byte;
        [[maybe_unused]] auto n = ::read(ends.read.get(), &byte, 1);
        // Given to itself on the I/O thread: no outside wake-up follows.
        if (++wakes == 1)
            io.post([&] { posted.set_value(); });
        else
            io.addTimer(std::chrono::steady_clock::now(), [&] { timed.set_value(); });
    });
    ASSERT_EQ(::write(ends.write.get(), "x", 1), 1);
    EXPECT_EQ(posted.get_future().wait_for(10s), std::future_status::ready);
    ASSERT_EQ(::write(ends.write.get(), "x", 1), 1);
    EXPECT_EQ(timed.get_future().wait_for(10s), std::future_status::ready);
    io.unwatch(id);
    io.shutdown();
}

TEST(VirtualClockTest, MovesOnlyWhenAdvancedAndSaturatesFarDeadlines) {
    VirtualClock clock;
    const auto start = clock.uptimeNow();
    const auto wallStart = clock.wallNow();
    int fired = 0;
    clock.schedule(std::chrono::nanoseconds::max(), [&] { ++fired; });
    clock.schedule(5s, [&] { ++fired; });
    EXPECT_EQ(clock.advanceTo(start + 4s), 0u);
    EXPECT_EQ(clock.advanceTo(start + 5s), 1u);
    EXPECT_EQ(clock.wallNow() - wallStart, 5s);
    EXPECT_EQ(clock.nextDeadline(), Clock::UptimePoint::max());
    EXPECT_EQ(fired, 1);
}

} // namespace
} // namespace lumra
