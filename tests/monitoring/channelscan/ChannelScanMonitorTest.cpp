#include "monitoring/channelscan/ChannelScanMonitor.h"

#include "concurrency/RunLoop.h"
#include "monitoring/channelscan/ChannelScoring.h"
#include "platform/wireless/WirelessError.h"
#include "probes/wifi/WiFiNetworkScannerError.h"
#include "tests/support/FakeProbes.h"

#include <cerrno>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <variant>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

constexpr auto ghz24 = WiFiBand::twoPointFourGigahertz;

// Each scan takes `duration` of virtual time and, like a platform scan, runs
// to its end even when its task is cancelled meanwhile.
class FakeScanner final : public WiFiNetworkScanning {
public:
    using Outcome = std::variant<std::vector<WiFiScannedNetwork>, std::exception_ptr>;
    std::deque<Outcome> outcomes;
    std::chrono::milliseconds duration{1000};
    int calls = 0;

    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override {
        ++calls;
        Outcome outcome =
            outcomes.empty() ? Outcome(std::vector<WiFiScannedNetwork>{}) : outcomes.front();
        if (!outcomes.empty())
            outcomes.pop_front();
        co_await test::uncancellableWait(duration);
        if (auto* error = std::get_if<std::exception_ptr>(&outcome))
            std::rethrow_exception(*error);
        co_return std::get<std::vector<WiFiScannedNetwork>>(outcome);
    }
};

const WiFiScannedNetwork apOne{"one", "02:00:00:00:00:01", -40, 1, ghz24};
const WiFiScannedNetwork apSix{"six", "02:00:00:00:00:06", -50, 6, ghz24};

WiFiSnapshot snapshotOn(std::int64_t channel, WiFiBand band) {
    return {{}, "wlan0", "six", "02:00:00:00:00:06", -50,  -92, 42,
            54, channel, band,  std::nullopt,        false};
}

class ChannelScanMonitorTest : public ::testing::Test {
protected:
    std::shared_ptr<ChannelScanMonitor> makeMonitor(ChannelScanConfiguration configuration = {
                                                        3, 0.35}) {
        auto monitor = ChannelScanMonitor::create(
            configuration, scanner,
            [this]() -> std::optional<WiFiSnapshot> {
                ++snapshotReads;
                return snapshot;
            },
            std::make_shared<TaskSleeper>(), [this] { return loop.clock().wallNow(); });
        record(*monitor);
        return monitor;
    }

    // One entry per published assignment, in order; isScanning entries also
    // say whether runningTask was set at that moment.
    void record(const ChannelScanMonitor& monitor) {
        subscriptions.push_back(
            monitor.lastErrorMessage().subscribe([this](const std::optional<std::string>& m) {
                log.push_back("error=" + m.value_or("none"));
            }));
        subscriptions.push_back(monitor.completedPasses().subscribe(
            [this](std::int64_t n) { log.push_back("completed=" + std::to_string(n)); }));
        subscriptions.push_back(monitor.totalPasses().subscribe(
            [this](std::int64_t n) { log.push_back("total=" + std::to_string(n)); }));
        subscriptions.push_back(monitor.isScanning().subscribe([this, &monitor](bool scanning) {
            log.push_back(std::string("scanning=") + (scanning ? "true" : "false") +
                          (monitor.runningTask() ? " task" : " no-task"));
        }));
        subscriptions.push_back(
            monitor.latestResult().subscribe([this](const std::optional<ChannelScanResult>& r) {
                log.push_back(r ? "result" : "result=none");
            }));
        log.clear();
    }

    void scanOnce(ChannelScanMonitor& monitor) {
        monitor.startScan();
        loop.advanceBy(10s);
        ASSERT_FALSE(monitor.isScanning().get());
        log.clear();
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakeScanner> scanner = std::make_shared<FakeScanner>();
    std::optional<WiFiSnapshot> snapshot = snapshotOn(6, ghz24);
    int snapshotReads = 0;
    std::vector<std::string> log;
    std::vector<Subscription> subscriptions;
};

TEST_F(ChannelScanMonitorTest, StartsIdleWithNothingPublished) {
    auto monitor = makeMonitor();
    EXPECT_FALSE(monitor->latestResult().get());
    EXPECT_FALSE(monitor->isScanning().get());
    EXPECT_EQ(monitor->completedPasses().get(), 0);
    EXPECT_EQ(monitor->totalPasses().get(), 0);
    EXPECT_FALSE(monitor->lastErrorMessage().get());
    EXPECT_FALSE(monitor->runningTask());
    loop.runUntilIdle();
    EXPECT_EQ(scanner->calls, 0);
}

TEST_F(ChannelScanMonitorTest, ScansPassByPassWithPausesAndPublishesTheScoredResult) {
    auto monitor = makeMonitor();
    const WiFiScannedNetwork louderCopy{apSix.ssid, apSix.bssid, -20, 6, ghz24};
    scanner->outcomes = {std::vector{apSix, louderCopy, apOne}, std::vector{apSix},
                         std::vector{apSix, apOne}};
    const auto started = loop.clock().wallNow();

    monitor->startScan();
    EXPECT_EQ(log, (std::vector<std::string>{"error=none", "completed=0", "total=3",
                                             "scanning=true no-task"}));
    EXPECT_TRUE(monitor->runningTask());
    log.clear();

    loop.runUntilIdle();
    EXPECT_EQ(scanner->calls, 1);
    loop.advanceBy(1s);
    EXPECT_EQ(log, (std::vector<std::string>{"completed=1"}));
    loop.advanceBy(349ms);
    EXPECT_EQ(scanner->calls, 1) << "still pausing";
    loop.advanceBy(1ms);
    EXPECT_EQ(scanner->calls, 2);
    loop.advanceBy(1s);
    EXPECT_EQ(monitor->completedPasses().get(), 2);
    snapshot = snapshotOn(11, ghz24); // the link is read once the passes are done
    EXPECT_EQ(snapshotReads, 0);
    loop.advanceBy(350ms + 1s);

    EXPECT_EQ(log, (std::vector<std::string>{"completed=1", "completed=2", "completed=3", "result",
                                             "scanning=false no-task"}));
    EXPECT_EQ(snapshotReads, 1);
    EXPECT_EQ(scanner->calls, 3);
    EXPECT_FALSE(monitor->runningTask());
    EXPECT_EQ(monitor->completedPasses().get(), 3);
    EXPECT_EQ(monitor->totalPasses().get(), 3);
    EXPECT_FALSE(monitor->lastErrorMessage().get());

    const auto expected = scoreChannels({{apSix, apOne}, {apSix}, {apSix, apOne}}, 3, 11, ghz24,
                                        started + 1s + 350ms + 1s + 350ms + 1s);
    ASSERT_TRUE(monitor->latestResult().get());
    EXPECT_EQ(*monitor->latestResult().get(), expected);
    EXPECT_EQ(monitor->latestResult().get()->scannedNetworkCount, 5) << "the duplicate is dropped";
}

TEST_F(ChannelScanMonitorTest, ASecondStartWhileScanningChangesNothing) {
    auto monitor = makeMonitor();
    monitor->startScan();
    const auto task = *monitor->runningTask();
    loop.advanceBy(1500ms);
    log.clear();

    monitor->startScan();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(*monitor->runningTask(), task);
    EXPECT_EQ(monitor->completedPasses().get(), 1);

    loop.advanceBy(10s);
    EXPECT_EQ(scanner->calls, 3);
    EXPECT_TRUE(monitor->latestResult().get());
}

TEST_F(ChannelScanMonitorTest, CancellingEndsAtTheNextCheckAndKeepsThePreviousResult) {
    struct Case {
        const char* name;
        std::chrono::milliseconds cancelAfter; // since the start; scans take 1 s, pauses 0.35 s
        int scans;
        std::int64_t completed;
        bool newResult;
    };
    const std::vector<Case> cases{
        {"before the first pass", 0ms, 0, 0, false},
        {"during the first pause", 1200ms, 1, 1, false},
        {"during the second scan", 1800ms, 2, 2, false},
        {"during the last scan, which still publishes", 3000ms, 3, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scanner = std::make_shared<FakeScanner>();
        subscriptions.clear();
        auto monitor = makeMonitor();
        scanner->outcomes = {std::vector{apSix}, std::vector{apSix}, std::vector{apSix}};
        scanOnce(*monitor);
        const auto previous = monitor->latestResult().get();
        scanner->calls = 0;
        scanner->outcomes = {std::vector{apOne}, std::vector{apOne}, std::vector{apOne}};

        monitor->startScan();
        if (c.cancelAfter > 0ms)
            loop.advanceBy(c.cancelAfter);
        log.clear();
        monitor->runningTask()->cancel();
        loop.advanceBy(10s);

        EXPECT_EQ(scanner->calls, c.scans);
        EXPECT_EQ(monitor->completedPasses().get(), c.completed);
        EXPECT_EQ(monitor->totalPasses().get(), 3);
        EXPECT_FALSE(monitor->isScanning().get());
        EXPECT_FALSE(monitor->runningTask());
        if (c.newResult) {
            EXPECT_NE(monitor->latestResult().get(), previous);
            EXPECT_FALSE(monitor->lastErrorMessage().get());
            continue;
        }
        EXPECT_EQ(monitor->latestResult().get(), previous);
        const std::vector<std::string> ending{"error=Channel scan cancelled.",
                                              "scanning=false no-task"};
        ASSERT_GE(log.size(), ending.size());
        EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), ending);
    }
}

TEST_F(ChannelScanMonitorTest, AScannerErrorEndsTheScanWithItsSentence) {
    struct Case {
        const char* name;
        std::exception_ptr error;
        std::string message;
    };
    const std::vector<Case> cases{
        {"no interface", std::make_exception_ptr(WiFiNetworkScannerError::interfaceUnavailable()),
         "Channel scan failed: The operation couldn\u2019t be completed. "
         "(Lumra.WiFiNetworkScannerError error 0.)"},
        {"the platform's error", std::make_exception_ptr(WirelessError(ENETDOWN)),
         "Channel scan failed: Network is down"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scanner = std::make_shared<FakeScanner>();
        subscriptions.clear();
        auto monitor = makeMonitor();
        scanOnce(*monitor);
        const auto previous = monitor->latestResult().get();
        scanner->outcomes = {std::vector{apOne}, c.error};

        monitor->startScan();
        loop.advanceBy(10s);

        EXPECT_EQ(log, (std::vector<std::string>{"error=none", "completed=0", "total=3",
                                                 "scanning=true no-task", "completed=1",
                                                 "error=" + c.message, "scanning=false no-task"}));
        EXPECT_EQ(scanner->calls, 3 + 2) << "no pass after the failing one";
        EXPECT_EQ(monitor->latestResult().get(), previous);
        EXPECT_EQ(monitor->completedPasses().get(), 1);
        EXPECT_FALSE(monitor->runningTask());

        // The next scan starts afresh.
        monitor->startScan();
        EXPECT_FALSE(monitor->lastErrorMessage().get());
        EXPECT_EQ(monitor->completedPasses().get(), 0);
        loop.advanceBy(10s);
        EXPECT_FALSE(monitor->lastErrorMessage().get());
    }
}

TEST_F(ChannelScanMonitorTest, AMonitorThatGoesAwayCancelsItsScanAndIsNotKeptAlive) {
    auto monitor = makeMonitor();
    monitor->startScan();
    loop.advanceBy(500ms);
    const auto task = *monitor->runningTask();
    std::weak_ptr<ChannelScanMonitor> weak = monitor;
    subscriptions.clear();
    monitor.reset();
    EXPECT_TRUE(weak.expired()) << "the scan in flight does not own the monitor";
    EXPECT_TRUE(task.isCancelled());
    loop.advanceBy(10s);
    EXPECT_TRUE(task.isFinished());
    EXPECT_EQ(scanner->calls, 1);
}

TEST_F(ChannelScanMonitorTest, WithoutPassesTheResultRatesTheCurrentBandAlone) {
    auto monitor = makeMonitor({0, 0.35});
    monitor->startScan();
    EXPECT_EQ(monitor->totalPasses().get(), 0);
    loop.runUntilIdle();
    EXPECT_EQ(scanner->calls, 0);
    ASSERT_TRUE(monitor->latestResult().get());
    EXPECT_EQ(monitor->latestResult().get()->passCount, 0);
    EXPECT_EQ(monitor->latestResult().get()->channels.size(), 11u);
    EXPECT_EQ(monitor->latestResult().get()->suggestedChannelNumber, 6);
    EXPECT_FALSE(monitor->isScanning().get());
}

} // namespace
} // namespace lumra
