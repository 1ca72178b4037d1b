#include "monitoring/polling/InterruptiblePollingLoop.h"

#include "concurrency/Hops.h"
#include "concurrency/RunLoop.h"
#include "monitoring/polling/BoundedHistory.h"
#include "monitoring/polling/PolledMonitor.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Records when each poll starts and ends, in virtual seconds; a poll can be
// made to take time.
struct PollRecorder {
    std::vector<double> starts;
    std::vector<double> ends;
    std::chrono::milliseconds duration{0};
    Clock::UptimePoint origin;

    double now() const {
        return std::chrono::duration<double>(runtimeClock().uptimeNow() - origin).count();
    }
};

Task<void> recordPoll(std::shared_ptr<PollRecorder> recorder) {
    recorder->starts.push_back(recorder->now());
    if (recorder->duration > 0ms) {
        // Work the poll's cancellation does not cut short.
        auto work =
            spawn(mainActor(), [duration = recorder->duration] { return sleepFor(duration); });
        co_await work.value();
    }
    recorder->ends.push_back(recorder->now());
}

// The smallest polled monitor: its poll only records.
class RecordingMonitor final : public PolledMonitor {
public:
    static std::shared_ptr<RecordingMonitor> create(std::shared_ptr<PollRecorder> recorder,
                                                    double pollInterval) {
        return makeBound<RecordingMonitor>(std::move(recorder), pollInterval);
    }
    void resetTransientState() override {}

private:
    friend class PolledMonitor;
    RecordingMonitor(std::shared_ptr<PollRecorder> recorder, double pollInterval)
        : PolledMonitor(std::make_shared<TaskSleeper>(), pollInterval),
          m_recorder(std::move(recorder)) {}
    Task<void> pollOnce() { return recordPoll(m_recorder); }

    std::shared_ptr<PollRecorder> m_recorder;
};

class PollingLoopTest : public ::testing::Test {
protected:
    PollingLoopTest() { recorder->origin = loop.clock().uptimeNow(); }

    void advance(double seconds) {
        loop.advanceBy(std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double>(seconds)));
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<PollRecorder> recorder = std::make_shared<PollRecorder>();
    std::shared_ptr<RecordingMonitor> polling = RecordingMonitor::create(recorder, 0.5);
};

TEST_F(PollingLoopTest, StartingTwiceMakesOneLoopThatPollsAtOnce) {
    polling->start();
    polling->start();
    loop.runUntilIdle();
    EXPECT_EQ(recorder->starts, std::vector<double>{0.0});
    advance(1.1);
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.5, 1.0}));
}

TEST_F(PollingLoopTest, ANewIntervalRestartsTheWaitWithoutAnExtraPoll) {
    polling->start();
    advance(0.2);
    polling->setPollInterval(4.0);
    advance(4.1);
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 4.2}));
}

TEST_F(PollingLoopTest, ANegativeIntervalIsStoredAsZero) {
    polling->setPollInterval(-3);
    EXPECT_EQ(polling->pollInterval(), 0.0);
    polling->setPollInterval(std::nan(""));
    EXPECT_EQ(polling->pollInterval(), 0.0);
    EXPECT_EQ(RecordingMonitor::create(recorder, -2)->pollInterval(), 0.0);
    auto other = InterruptiblePollingLoop::create(
        std::make_shared<TaskSleeper>(), [] { return Task<void>(); }, -1);
    EXPECT_EQ(other->pollInterval(), 0.0);
}

TEST_F(PollingLoopTest, AZeroIntervalPollsBackToBackButYieldsToOtherWork) {
    polling->setPollInterval(0);
    int otherTurns = 0;
    auto other = spawn(mainActor(), [&]() -> Task<void> {
        while (!isCancelled()) {
            ++otherTurns;
            co_await yieldNow();
        }
    });
    polling->start();
    loop.runFor(1s, 2000);
    EXPECT_GT(recorder->starts.size(), 100u);
    EXPECT_GT(otherTurns, 100);
    EXPECT_EQ(recorder->starts.back(), 0.0) << "no time passes";
    polling->stop();
    other.cancel();
    loop.runUntilIdle();
}

TEST_F(PollingLoopTest, ARefreshDuringAWaitPollsAtOnceThenWaitsAFullInterval) {
    polling->start();
    advance(0.3);
    polling->refreshNow();
    loop.runUntilIdle();
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.3}));
    EXPECT_FALSE(polling->pollingLoop().pendingImmediatePoll());
    advance(0.6);
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.3, 0.8}));
}

TEST_F(PollingLoopTest, ARefreshDuringAPollIsServedOnlyAfterTheNextFullWait) {
    recorder->duration = 200ms;
    polling->start();
    advance(0.1);
    polling->refreshNow();
    advance(0.5);
    EXPECT_EQ(recorder->starts, std::vector<double>{0.0}) << "no second poll right after the first";
    advance(0.2);
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.7}));
    EXPECT_FALSE(polling->pollingLoop().pendingImmediatePoll());
}

TEST_F(PollingLoopTest, StopDuringAWaitEndsTheLoopAtOnce) {
    polling->start();
    advance(0.2);
    polling->stop();
    EXPECT_FALSE(polling->pollingLoop().isRunning());
    EXPECT_FALSE(polling->pollingLoop().isWaiting());
    advance(5);
    EXPECT_EQ(recorder->starts, std::vector<double>{0.0});
}

TEST_F(PollingLoopTest, StopDuringAPollLetsThatPollFinishAndStartsNoOther) {
    recorder->duration = 300ms;
    polling->start();
    advance(0.1);
    polling->stop();
    advance(5);
    EXPECT_EQ(recorder->starts, std::vector<double>{0.0});
    EXPECT_EQ(recorder->ends, std::vector<double>{0.3}) << "the poll in progress completed";
}

TEST_F(PollingLoopTest, StopThenStartDuringAPollOverlapsTheNewRunsPollWithTheOld) {
    recorder->duration = 300ms;
    polling->start();
    advance(0.1);
    polling->stop();
    polling->start();
    advance(0.25);
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.1}));
    EXPECT_EQ(recorder->ends, std::vector<double>{0.3});
    advance(1.0);
    // Only the new run goes on: ends at 0.4, waits 0.5, polls at 0.9 (ends 1.2).
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.1, 0.9}));
}

TEST_F(PollingLoopTest, StopThenStartDuringAWaitKeepsTheNewRunsWait) {
    polling->start();
    advance(0.2);
    polling->stop();
    polling->start();
    loop.runUntilIdle();
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.2}));
    EXPECT_TRUE(polling->pollingLoop().isWaiting())
        << "the old run, woken by the stop, left it alone";
    polling->refreshNow();
    loop.runUntilIdle();
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.2, 0.2}))
        << "the refresh cut the new wait short";
    advance(1.0);
    EXPECT_EQ(recorder->starts, (std::vector<double>{0.0, 0.2, 0.2, 0.7, 1.2}));
}

TEST_F(PollingLoopTest, ADestroyedOwnerLeavesNoLoopRunning) {
    polling->start();
    advance(0.2);
    polling.reset();
    advance(5);
    EXPECT_EQ(recorder->starts, std::vector<double>{0.0});
}

TEST(BoundedHistoryTest, AHistoryAtItsCapDropsTheOldestInOneNotification) {
    Published<std::vector<int>> history(std::vector<int>{});
    for (int i = 0; i < 60; ++i)
        appendBoundedHistory(history, i, 60);
    int notifications = 0;
    auto subscription = history.subscribe([&](const std::vector<int>&) { ++notifications; });
    appendBoundedHistory(history, 60, 60);
    EXPECT_EQ(notifications, 2); // the replay and one change
    ASSERT_EQ(history.get().size(), 60u);
    EXPECT_EQ(history.get().front(), 1);
    EXPECT_EQ(history.get().back(), 60);
    std::vector<int> shrinking{1, 2, 3, 4, 5};
    appendBounded(shrinking, 6, 2);
    EXPECT_EQ(shrinking, (std::vector<int>{5, 6}));
}

} // namespace
} // namespace lumra
