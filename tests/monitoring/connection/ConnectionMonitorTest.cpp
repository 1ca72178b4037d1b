#include "monitoring/connection/ConnectionMonitor.h"

#include "concurrency/RunLoop.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/PollDriver.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumra {
namespace {

using test::FakeCounter;

TEST(ConnectionMonitorTest, GradesPressureAtTheBoundaries) {
    struct Case {
        TCPConnectionStateCounts counts;
        SignalQuality grade;
    };
    for (const Case& c : std::vector<Case>{{{499, 0, 0}, SignalQuality::good},
                                           {{500, 0, 0}, SignalQuality::warning},
                                           {{800, 0, 0}, SignalQuality::warning},
                                           {{801, 0, 0}, SignalQuality::poor},
                                           {{100, 150, 49}, SignalQuality::good},
                                           {{100, 150, 50}, SignalQuality::warning},
                                           {{0, 200, 200}, SignalQuality::warning},
                                           {{0, 200, 201}, SignalQuality::poor},
                                           {{10, 401, 0}, SignalQuality::poor}}) {
        EXPECT_EQ(ConnectionMonitor::connectionPressureQuality(c.counts), c.grade)
            << c.counts.established << "/" << c.counts.timeWait << "/" << c.counts.closeWait;
    }
}

class ConnectionMonitorPollTest : public ::testing::Test {
protected:
    VirtualClockRunLoop loop;
    std::shared_ptr<FakeCounter> counter = std::make_shared<FakeCounter>();
    std::shared_ptr<ConnectionMonitor> monitor = ConnectionMonitor::create(
        counter, std::make_shared<TaskSleeper>(), [] { return runtimeClock().wallNow(); }, {});
    test::PollDriver driver{loop, *monitor};

    ~ConnectionMonitorPollTest() override { monitor->stop(); }
};

TEST_F(ConnectionMonitorPollTest, AFailureOnTheFirstPollSetsOnlyTheSentence) {
    counter->answer = {std::nullopt, false};
    driver.poll();
    EXPECT_EQ(monitor->lastErrorMessage().get(), "Connection monitor failed to read TCP states.");
    EXPECT_FALSE(monitor->latestResult().get());
    EXPECT_EQ(monitor->connectionQuality().get(), SignalQuality::poor);
    EXPECT_TRUE(monitor->history().get().empty());
}

TEST_F(ConnectionMonitorPollTest,
       AFailureKeepsTheLastGoodResultUntilTheNextSuccessClearsTheSentence) {
    driver.poll();
    const auto good = monitor->latestResult().get();
    ASSERT_TRUE(good);
    EXPECT_EQ(good->quality, SignalQuality::good);
    counter->answer = {std::nullopt, false};
    driver.poll();
    EXPECT_EQ(monitor->latestResult().get(), good);
    EXPECT_EQ(monitor->history().get().size(), 1u);
    EXPECT_EQ(monitor->connectionQuality().get(), SignalQuality::good);
    EXPECT_TRUE(monitor->lastErrorMessage().get());
    counter->answer = {TCPConnectionStateCounts{600, 0, 0}, true};
    driver.poll();
    EXPECT_FALSE(monitor->lastErrorMessage().get());
    EXPECT_EQ(monitor->connectionQuality().get(), SignalQuality::warning);
    EXPECT_EQ(monitor->history().get().size(), 2u);
}

TEST_F(ConnectionMonitorPollTest, TheHistoryKeepsTheLatestSixtyAndAResetClearsEverything) {
    driver.poll(61);
    EXPECT_EQ(monitor->history().get().size(), 60u);
    monitor->resetTransientState();
    EXPECT_TRUE(monitor->history().get().empty());
    EXPECT_FALSE(monitor->latestResult().get());
    EXPECT_EQ(monitor->connectionQuality().get(), SignalQuality::poor);
}

} // namespace
} // namespace lumra
