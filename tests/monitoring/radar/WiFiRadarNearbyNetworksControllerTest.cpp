#include "monitoring/radar/WiFiRadarNearbyNetworksController.h"

#include "concurrency/Cancellation.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "platform/wireless/WirelessError.h"
#include "probes/wifi/WiFiNetworkScannerError.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <deque>
#include <exception>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

const WiFiScannedNetwork kCafe{"cafe", "02:00:00:00:00:01", -67, 36, WiFiBand::fiveGigahertz};
const WiFiScannedNetwork kHome{"home", "02:00:00:00:00:02", -40, 1,
                               WiFiBand::twoPointFourGigahertz};

// Answers scans from a script, in virtual time, on whatever thread runs it;
// an empty script answers an empty list at once.
class ScriptedScanner final : public WiFiNetworkScanning {
public:
    struct Step {
        std::vector<WiFiScannedNetwork> networks;
        std::exception_ptr error;
        std::chrono::milliseconds duration{0};
    };

    void script(std::vector<Step> steps) {
        std::lock_guard lock(m_mutex);
        m_steps.assign(steps.begin(), steps.end());
    }
    // When each scan began, in seconds of uptime.
    std::vector<double> scanStarts() const {
        std::lock_guard lock(m_mutex);
        return m_starts;
    }
    bool ranOffTheMainThread() const {
        std::lock_guard lock(m_mutex);
        return m_offMainThread;
    }

    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        const Step step = begin();
        if (step.duration > 0ms)
            co_await sleepFor(step.duration);
        if (step.error)
            std::rethrow_exception(step.error);
        co_return step.networks;
    }

    const std::thread::id mainThread = std::this_thread::get_id();

private:
    Step begin() {
        std::lock_guard lock(m_mutex);
        m_starts.push_back(runtimeClock().uptimeSeconds());
        m_offMainThread = m_offMainThread || std::this_thread::get_id() != mainThread;
        if (m_steps.empty())
            return {};
        Step step = m_steps.front();
        m_steps.pop_front();
        return step;
    }

    mutable std::mutex m_mutex;
    std::deque<Step> m_steps;
    std::vector<double> m_starts;
    bool m_offMainThread = false;
};

class WiFiRadarNearbyNetworksControllerTest : public ::testing::Test {
protected:
    ~WiFiRadarNearbyNetworksControllerTest() override {
        if (controller)
            controller->stop();
        loop.runUntilIdle();
    }

    std::vector<double> scanStartsSinceLaunch() const {
        std::vector<double> starts = scanner->scanStarts();
        for (double& start : starts)
            start -= launch;
        return starts;
    }
    const std::vector<RadarNearbyNetwork>& listed() const {
        return controller->nearbyNetworks().get();
    }

    VirtualClockRunLoop loop;
    const double launch = runtimeClock().uptimeSeconds();
    std::shared_ptr<ScriptedScanner> scanner = std::make_shared<ScriptedScanner>();
    std::shared_ptr<WiFiRadarNearbyNetworksController> controller =
        WiFiRadarNearbyNetworksController::create(scanner, /*scanInterval=*/8.0);
};

TEST(WiFiRadarNearbyNetworksControllerIntervalTest, TheScanIntervalIsAtLeastThreeSeconds) {
    VirtualClockRunLoop loop;
    struct Case {
        double given;
        double stored;
    };
    for (const Case& c :
         std::vector<Case>{{1.0, 3.0}, {8.0, 8.0}, {3.0, 3.0}, {-1.0, 3.0}, {std::nan(""), 3.0}}) {
        auto controller =
            WiFiRadarNearbyNetworksController::create(std::make_shared<ScriptedScanner>(), c.given);
        EXPECT_EQ(controller->scanInterval(), c.stored) << c.given;
        EXPECT_FALSE(controller->scanTask());
        EXPECT_FALSE(controller->isScanning().get());
    }
}

TEST_F(WiFiRadarNearbyNetworksControllerTest,
       ScansAtOnceThenTheIntervalAfterEachPublicationOffTheMainActor) {
    scanner->script({{{kCafe}, nullptr, 1000ms}, {{kCafe, kHome}, nullptr, 1000ms}});
    controller->start();
    loop.runUntilIdle();
    EXPECT_TRUE(controller->isScanning().get());
    loop.advanceBy(1s);
    EXPECT_FALSE(controller->isScanning().get());
    EXPECT_EQ(listed().size(), 1u);
    loop.advanceBy(8s);
    EXPECT_TRUE(controller->isScanning().get());
    loop.advanceBy(1s);
    EXPECT_EQ(listed(), makeRadarNearbyNetworks({kCafe, kHome}));
    EXPECT_EQ(scanStartsSinceLaunch(), (std::vector<double>{0.0, 9.0}));
    EXPECT_TRUE(scanner->ranOffTheMainThread());
}

TEST_F(WiFiRadarNearbyNetworksControllerTest, StartingTwiceStartsOneLoop) {
    controller->start();
    const auto first = controller->scanTask();
    controller->start();
    EXPECT_EQ(controller->scanTask(), first);
    loop.advanceBy(8s);
    EXPECT_EQ(scanStartsSinceLaunch(), (std::vector<double>{0.0, 8.0}));
}

TEST_F(WiFiRadarNearbyNetworksControllerTest, AFailedScanKeepsTheListAndSaysSoUntilAScanSucceeds) {
    struct Case {
        std::string what;
        ScriptedScanner::Step step;
        std::vector<RadarNearbyNetwork> listed;
        std::optional<std::string> message;
    };
    const auto good = makeRadarNearbyNetworks({kCafe, kHome});
    const std::vector<Case> cases{
        {"a scan", {{kCafe, kHome}, nullptr}, good, std::nullopt},
        {"no interface",
         {{}, std::make_exception_ptr(WiFiNetworkScannerError::interfaceUnavailable())},
         good,
         "Nearby scan unavailable."},
        {"a cancelled scan changes nothing",
         {{}, std::make_exception_ptr(CancellationError())},
         good,
         "Nearby scan unavailable."},
        {"the platform refused",
         {{}, std::make_exception_ptr(WirelessError(EBUSY))},
         good,
         "Nearby scan unavailable."},
        {"an empty scan", {}, {}, std::nullopt},
        {"a cancelled scan again",
         {{}, std::make_exception_ptr(CancellationError())},
         {},
         std::nullopt},
    };
    std::vector<ScriptedScanner::Step> steps;
    for (const Case& c : cases)
        steps.push_back(c.step);
    scanner->script(steps);
    controller->start();
    loop.runUntilIdle();
    for (const Case& c : cases) {
        EXPECT_EQ(listed(), c.listed) << c.what;
        EXPECT_EQ(controller->lastErrorMessage().get(), c.message) << c.what;
        EXPECT_FALSE(controller->isScanning().get()) << c.what;
        loop.advanceBy(8s);
    }
    EXPECT_TRUE(controller->scanTask()) << "errors never end the loop";
}

TEST_F(WiFiRadarNearbyNetworksControllerTest,
       StoppingDuringAScanPublishesItThenEndsWithoutScanningAgain) {
    scanner->script({{{kCafe}, nullptr, 2000ms}, {{kHome}, nullptr, 1000ms}});
    controller->start();
    const TaskHandle<void> loopTask = *controller->scanTask();
    loop.advanceBy(1s);
    controller->stop();
    EXPECT_FALSE(controller->scanTask());
    EXPECT_FALSE(controller->isScanning().get());
    loop.advanceBy(1s);
    EXPECT_EQ(listed(), makeRadarNearbyNetworks({kCafe})) << "the scan it waited for is published";
    EXPECT_TRUE(loopTask.isFinished()) << "it ended at the pause";
    loop.advanceBy(30s);
    EXPECT_EQ(scanner->scanStarts().size(), 1u);

    controller->start();
    loop.runUntilIdle();
    EXPECT_EQ(listed(), makeRadarNearbyNetworks({kCafe}))
        << "the last list stays until a new scan completes";
    loop.advanceBy(1s);
    EXPECT_EQ(listed(), makeRadarNearbyNetworks({kHome}));
}

TEST_F(WiFiRadarNearbyNetworksControllerTest, ALoopEndingAfterStopAndStartLeavesTheNewLoopInPlace) {
    scanner->script({{{kCafe}, nullptr, 2000ms}, {{kHome}, nullptr, 2000ms}});
    controller->start();
    const TaskHandle<void> oldLoop = *controller->scanTask();
    loop.advanceBy(1s);
    controller->stop();
    controller->start();
    const TaskHandle<void> newLoop = *controller->scanTask();
    loop.runUntilIdle();
    EXPECT_TRUE(controller->isScanning().get());
    loop.advanceBy(1s); // the old scan ends and its loop with it
    EXPECT_TRUE(oldLoop.isFinished());
    EXPECT_EQ(listed(), makeRadarNearbyNetworks({kCafe}));
    EXPECT_EQ(controller->scanTask(), newLoop);
    EXPECT_TRUE(controller->isScanning().get()) << "the new loop's scan is still running";
    loop.advanceBy(1s);
    EXPECT_EQ(listed(), makeRadarNearbyNetworks({kHome}));
    EXPECT_FALSE(controller->isScanning().get());
    controller->stop();
    loop.runUntilIdle();
    EXPECT_TRUE(newLoop.isFinished()) << "the stop reached the running loop";
    loop.advanceBy(30s);
    EXPECT_EQ(scanStartsSinceLaunch(), (std::vector<double>{0.0, 1.0}));
}

TEST_F(WiFiRadarNearbyNetworksControllerTest, ReleasingTheControllerCancelsItsLoop) {
    controller->start();
    loop.runUntilIdle();
    const TaskHandle<void> loopTask = *controller->scanTask();
    std::weak_ptr<WiFiRadarNearbyNetworksController> weak = controller;
    controller.reset();
    EXPECT_TRUE(weak.expired()) << "the pausing loop does not keep its controller";
    loop.runUntilIdle();
    EXPECT_TRUE(loopTask.isFinished());
    loop.advanceBy(30s);
    EXPECT_EQ(scanner->scanStarts().size(), 1u);
}

} // namespace
} // namespace lumra
