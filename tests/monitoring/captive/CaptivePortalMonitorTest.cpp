#include "monitoring/captive/CaptivePortalMonitor.h"

#include "concurrency/RunLoop.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/PollDriver.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::FakeChecker;

const CaptivePortalDetectionMeasurement redirect{true, Url::parse("http://portal.test/login"),
                                                 Url::parse("http://probe.test/"),
                                                 CaptivePortalDetectionReason::redirect, true};
const CaptivePortalDetectionMeasurement failed{false, std::nullopt, std::nullopt,
                                               CaptivePortalDetectionReason::none, false};

class CaptivePortalMonitorTest : public ::testing::Test {
protected:
    ~CaptivePortalMonitorTest() override { monitor->stop(); }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakeChecker> checker = std::make_shared<FakeChecker>();
    std::shared_ptr<CaptivePortalMonitor> monitor = CaptivePortalMonitor::create(
        checker, std::make_shared<TaskSleeper>(), [] { return runtimeClock().wallNow(); }, {});
    test::PollDriver driver{loop, *monitor};
};

TEST_F(CaptivePortalMonitorTest, PublishesAPortalThenItsEnd) {
    checker->answer = redirect;
    driver.poll();
    EXPECT_TRUE(monitor->isCaptivePortal().get());
    EXPECT_EQ(monitor->portalURL().get(), Url::parse("http://portal.test/login"));
    EXPECT_EQ(monitor->latestStatus().get()->reason, CaptivePortalDetectionReason::redirect);
    EXPECT_EQ(checker->timeouts, std::vector<double>{3.5});
    checker->answer = {false, std::nullopt, std::nullopt, CaptivePortalDetectionReason::none, true};
    driver.poll();
    EXPECT_FALSE(monitor->isCaptivePortal().get());
    EXPECT_FALSE(monitor->portalURL().get());
    EXPECT_EQ(monitor->history().get().size(), 2u);
}

TEST_F(CaptivePortalMonitorTest,
       AFailedCheckKeepsTheLastStatusAndSetsTheSentenceUntilTheNextSuccess) {
    checker->answer = failed;
    driver.poll();
    EXPECT_EQ(monitor->lastErrorMessage().get(), "Captive portal check failed.");
    EXPECT_FALSE(monitor->latestStatus().get());
    EXPECT_FALSE(monitor->isCaptivePortal().get());
    checker->answer = redirect;
    driver.poll();
    EXPECT_FALSE(monitor->lastErrorMessage().get());
    checker->answer = failed;
    driver.poll();
    EXPECT_TRUE(monitor->isCaptivePortal().get());
    EXPECT_TRUE(monitor->lastErrorMessage().get());
    monitor->resetTransientState();
    EXPECT_FALSE(monitor->lastErrorMessage().get());
    EXPECT_FALSE(monitor->isCaptivePortal().get());
    EXPECT_TRUE(monitor->history().get().empty());
}

TEST_F(CaptivePortalMonitorTest, TheHistoryKeepsTheLatestSixty) {
    driver.poll(61);
    EXPECT_EQ(monitor->history().get().size(), 60u);
}

} // namespace
} // namespace lumra
