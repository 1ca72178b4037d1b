// The speed-test monitor over a scripted runner and latency probe, on the
// virtual clock.
#include "monitoring/speedtest/SpeedTestMonitor.h"

#include "concurrency/Cancellation.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "platform/http/HttpError.h"
#include "probes/speedtest/SpeedTestRunnerError.h"
#include "tests/support/FakeProbes.h"

#include <chrono>
#include <deque>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Each chunk takes chunkDuration in a cancellable wait, as a transfer in
// flight does, then reports its progress.
class FakeSpeedTestRunner final : public SpeedTesting {
public:
    struct Script {
        std::chrono::milliseconds chunkDuration;
        double mbps;
        // Thrown once this many chunks have reported.
        std::optional<std::int64_t> failAfterChunks{};
        std::exception_ptr error{};
    };

    Task<double> download(SpeedTestConfiguration configuration,
                          SpeedTestProgress progress) override {
        calls.push_back("download");
        return run(downloadScript, configuration.downloadChunks, std::move(progress));
    }
    Task<double> upload(SpeedTestConfiguration configuration, SpeedTestProgress progress) override {
        calls.push_back("upload");
        return run(uploadScript, configuration.uploadChunks, std::move(progress));
    }

    Script downloadScript{500ms, 100.0};
    Script uploadScript{250ms, 20.0};
    std::vector<std::string> calls;

private:
    static Task<double> run(Script script, std::int64_t chunks, SpeedTestProgress progress) {
        for (std::int64_t chunk = 1; chunk <= chunks; ++chunk) {
            if (script.failAfterChunks == chunk - 1)
                std::rethrow_exception(script.error);
            co_await sleepFor(script.chunkDuration);
            co_await progress(static_cast<double>(chunk) / static_cast<double>(chunks));
        }
        if (script.failAfterChunks == chunks)
            std::rethrow_exception(script.error);
        co_return script.mbps;
    }
};

// Answers in call order, then `otherwise`. A ping runs to its end even when
// its caller is cancelled: the worst case for a sample that comes back late.
class FakeLatencyProbe final : public SpeedTestLatencyProbing {
public:
    struct Answer {
        std::optional<double> latency;
        std::chrono::milliseconds duration = 10ms;
    };
    struct Call {
        std::string host;
        double timeout;
        std::chrono::nanoseconds at;
    };

    Task<std::optional<double>> measureLatency(std::string host, double timeout) override {
        calls.push_back(Call{host, timeout, runtimeClock().uptimeNow().time_since_epoch()});
        Answer answer = otherwise;
        if (!script.empty()) {
            answer = script.front();
            script.pop_front();
        }
        co_await test::uncancellableWait(answer.duration);
        co_return answer.latency;
    }

    void answer(const std::vector<std::optional<double>>& latencies,
                std::chrono::milliseconds duration = 10ms) {
        for (const std::optional<double>& latency : latencies)
            script.push_back(Answer{latency, duration});
    }

    std::deque<Answer> script;
    Answer otherwise{std::nullopt};
    std::vector<Call> calls;
};

std::string text(const std::optional<double>& value) {
    return value ? fmt::format("{}", *value) : "none";
}

class SpeedTestMonitorTest : public ::testing::Test {
protected:
    // Starts a test and runs the clock until it has ended.
    void runTest() {
        monitor->start();
        loop.advanceBy(30s);
        ASSERT_FALSE(monitor->isRunning().get());
    }

    // Checks, in the main-actor job queued right after progress drops to 0
    // (the first step of a failed or cancelled ending), that the test had
    // already ended by then.
    void expectTheEndingInOneStep() {
        m_endingWatch = monitor->progress().subscribe([this](double progress) {
            if (progress != 0 || m_endingChecked)
                return;
            m_endingChecked = true;
            mainActor().post([this] {
                endedInOneStep = !monitor->isRunning().get() && !monitor->runningTask() &&
                                 (monitor->phase().get() == SpeedTestPhase::cancelled ||
                                  monitor->phase().get() == SpeedTestPhase::failed);
            });
        });
        m_endingChecked = false;
        endedInOneStep = false;
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakeSpeedTestRunner> runner = std::make_shared<FakeSpeedTestRunner>();
    std::shared_ptr<FakeLatencyProbe> probe = std::make_shared<FakeLatencyProbe>();
    const std::chrono::system_clock::time_point testTime =
        std::chrono::system_clock::time_point(1'800'000'000s);
    std::shared_ptr<SpeedTestMonitor> monitor = SpeedTestMonitor::create(
        runner, probe, [this] { return testTime; }, SpeedTestMonitor::Settings{});
    bool endedInOneStep = false;

private:
    bool m_endingChecked = true;
    Subscription m_endingWatch;
};

TEST_F(SpeedTestMonitorTest,
       BaselineIsTheMedianOfFiveBackToBackPingsWithTheFailedAttemptsNumbered) {
    struct Row {
        std::vector<std::optional<double>> answers;
        std::optional<double> baseline;
        std::vector<std::int64_t> failedAttempts;
    };
    const std::vector<Row> rows{
        {{30.0, std::nullopt, 10.0, std::nullopt, 20.0}, 20.0, {2, 4}},
        {{12.0, 30.0, std::nullopt, 18.0, 20.0}, 19.0, {3}},
        {{50.0, 10.0, 40.0, 20.0, 30.0}, 30.0, {}},
        // No baseline at all does not stop the test; it only leaves no ratios.
        {{std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
         std::nullopt,
         {1, 2, 3, 4, 5}},
    };
    probe->otherwise = {40.0};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.failedAttempts));
        probe->calls.clear();
        probe->answer(row.answers);
        runTest();
        EXPECT_EQ(monitor->baselineLatencyMilliseconds().get(), row.baseline);
        EXPECT_EQ(monitor->baselineProbeFailedAttemptIndices().get(), row.failedAttempts);
        ASSERT_GE(probe->calls.size(), 6u);
        for (std::size_t attempt = 0; attempt < 5; ++attempt) {
            EXPECT_EQ(probe->calls[attempt].host, "1.1.1.1");
            EXPECT_EQ(probe->calls[attempt].timeout, 2.0);
            // No pause between attempts: each starts as the previous one ends.
            EXPECT_EQ(probe->calls[attempt].at - probe->calls[0].at, attempt * 10ms);
        }
        ASSERT_TRUE(monitor->latestResult().get());
        const SpeedTestResult result = *monitor->latestResult().get();
        EXPECT_TRUE(result.didSucceed);
        EXPECT_EQ(result.baselineLatencyMilliseconds, row.baseline);
        EXPECT_EQ(result.downloadLoadedLatencyMilliseconds, 40.0);
        EXPECT_EQ(result.downloadBufferbloatRatio.has_value(), row.baseline.has_value());
        EXPECT_EQ(result.uploadBufferbloatGrade.has_value(), row.baseline.has_value());
    }
}

TEST_F(SpeedTestMonitorTest, RatiosAndGradesAtTheirBoundaries) {
    struct Row {
        std::optional<double> loaded;
        std::optional<double> baseline;
        std::optional<double> ratio;
        std::optional<BufferbloatGrade> grade;
    };
    const std::vector<Row> rows{
        {std::nullopt, 20.0, std::nullopt, std::nullopt},
        {40.0, std::nullopt, std::nullopt, std::nullopt},
        {39.98, 20.0, 1.999, BufferbloatGrade::a},
        {40.0, 20.0, 2.0, BufferbloatGrade::b},
        {59.98, 20.0, 2.999, BufferbloatGrade::b},
        {60.0, 20.0, 3.0, BufferbloatGrade::c},
        {99.8, 20.0, 4.99, BufferbloatGrade::c},
        {100.0, 20.0, 5.0, BufferbloatGrade::f},
        {1000.0, 20.0, 50.0, BufferbloatGrade::f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(text(row.loaded) + " / " + text(row.baseline));
        const std::optional<double> ratio =
            SpeedTestMonitor::bufferbloatRatio(row.loaded, row.baseline);
        ASSERT_EQ(ratio.has_value(), row.ratio.has_value());
        if (ratio) {
            EXPECT_DOUBLE_EQ(*ratio, *row.ratio);
        }
        EXPECT_EQ(SpeedTestMonitor::grade(ratio, defaultBufferbloatGradeThresholds), row.grade);
    }

    // Through a whole test: the mean of the phase's samples over the median
    // of the baseline; an upload whose pings all failed has no figures.
    probe->answer({20.0, 20.0, 20.0, 20.0, 20.0, 40.0, 50.0, 60.0});
    runTest();
    EXPECT_EQ(monitor->downloadLoadedLatencySamples(), (std::vector<double>{40.0, 50.0, 60.0}));
    EXPECT_EQ(monitor->downloadLoadedLatencyMilliseconds().get(), 50.0);
    EXPECT_EQ(monitor->downloadBufferbloatRatio().get(), 2.5);
    EXPECT_EQ(monitor->downloadBufferbloatGrade().get(), BufferbloatGrade::b);
    EXPECT_TRUE(monitor->uploadLoadedLatencySamples().empty());
    EXPECT_EQ(monitor->uploadLoadedLatencyMilliseconds().get(), std::nullopt);
    EXPECT_EQ(monitor->uploadBufferbloatRatio().get(), std::nullopt);
    EXPECT_EQ(monitor->uploadBufferbloatGrade().get(), std::nullopt);
    EXPECT_EQ(monitor->latestResult().get()->downloadBufferbloatGrade, BufferbloatGrade::b);
}

TEST_F(SpeedTestMonitorTest, AZeroBaselineOrAZeroLoadedMeanGivesNoRatioAndNoGrade) {
    struct Row {
        double baseline;
        double loaded;
    };
    for (const Row row : {Row{0.0, 40.0}, Row{20.0, 0.0}}) {
        SCOPED_TRACE(fmt::format("{} over {}", row.loaded, row.baseline));
        probe->answer({row.baseline, row.baseline, row.baseline, row.baseline, row.baseline});
        probe->otherwise = {row.loaded};
        runTest();
        EXPECT_EQ(monitor->baselineLatencyMilliseconds().get(), row.baseline);
        EXPECT_EQ(monitor->downloadLoadedLatencyMilliseconds().get(), row.loaded);
        EXPECT_EQ(monitor->uploadLoadedLatencyMilliseconds().get(), row.loaded);
        EXPECT_EQ(monitor->downloadBufferbloatRatio().get(), std::nullopt);
        EXPECT_EQ(monitor->uploadBufferbloatRatio().get(), std::nullopt);
        EXPECT_EQ(monitor->downloadBufferbloatGrade().get(), std::nullopt);
        EXPECT_EQ(monitor->uploadBufferbloatGrade().get(), std::nullopt);
        EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::completed);
    }
}

TEST_F(SpeedTestMonitorTest, PhasesAndProgressRunInTheirOrderAndASecondStartChangesNothing) {
    probe->otherwise = {30.0};
    std::vector<std::string> log;
    auto onPhase = monitor->phase().subscribe(
        [&](SpeedTestPhase phase) { log.push_back(fmt::format("phase {}", rawValue(phase))); });
    auto onProgress = monitor->progress().subscribe(
        [&](double progress) { log.push_back(fmt::format("progress {}", progress)); });
    auto onRunning = monitor->isRunning().subscribe([&](bool running) {
        log.push_back(
            fmt::format("running {} task {}", running, monitor->runningTask().has_value()));
    });
    auto onResult =
        monitor->latestResult().subscribe([&](const std::optional<SpeedTestResult>& result) {
            log.push_back(result ? "result" : "no result");
        });
    log.clear();

    monitor->start();
    const std::vector<std::string> started{"no result", "progress 0", "phase download",
                                           "running true task true"};
    EXPECT_EQ(log, started);
    // The baseline: running, no progress yet and no baseline figure.
    loop.advanceBy(20ms);
    EXPECT_TRUE(monitor->isRunning().get());
    EXPECT_EQ(monitor->progress().get(), 0.0);
    EXPECT_FALSE(monitor->baselineLatencyMilliseconds().get());

    loop.advanceBy(1s);
    const std::optional<TaskHandle<void>> task = monitor->runningTask();
    const std::vector<std::string> midway = log;
    monitor->start();
    EXPECT_EQ(log, midway);
    EXPECT_EQ(monitor->runningTask(), task);

    loop.advanceBy(30s);
    const std::vector<std::string> expected{
        "no result",      "progress 0",
        "phase download", "running true task true",
        "phase download", "progress 0.125",
        "phase download", "progress 0.25",
        "phase download", "progress 0.375",
        "phase download", "progress 0.5",
        "progress 0.5",   "phase upload",
        "phase upload",   "progress 0.625",
        "phase upload",   "progress 0.75",
        "phase upload",   "progress 0.875",
        "phase upload",   "progress 1",
        "progress 1",     "phase completed",
        "result",         "running false task false",
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(runner->calls, (std::vector<std::string>{"download", "upload"}));
    const SpeedTestResult result = *monitor->latestResult().get();
    EXPECT_EQ(result.timestamp, testTime);
    EXPECT_EQ(result.downloadMbps, 100.0);
    EXPECT_EQ(result.uploadMbps, 20.0);
}

TEST_F(SpeedTestMonitorTest, CancellingEndsAsCancelledInEveryPhaseInOneStep) {
    struct Row {
        std::string name;
        // From start(): the baseline takes 50 ms, the download 2 s, the upload 1 s.
        std::chrono::milliseconds cancelAfter;
        bool baselineKept;
        bool downloadKept;
    };
    const std::vector<Row> rows{
        {"baseline", 25ms, false, false},
        {"download", 1200ms, true, false},
        {"upload", 2400ms, true, true},
    };
    probe->otherwise = {40.0};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        probe->answer({20.0, 20.0, 20.0, 20.0, 20.0});
        monitor->start();
        loop.advanceBy(row.cancelAfter);
        ASSERT_EQ(rawValue(monitor->phase().get()), row.name == "upload" ? "upload" : "download");
        expectTheEndingInOneStep();
        monitor->runningTask()->cancel();
        loop.advanceBy(20ms);
        EXPECT_TRUE(endedInOneStep);
        EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::cancelled);
        EXPECT_EQ(monitor->progress().get(), 0.0);
        EXPECT_EQ(monitor->lastErrorMessage().get(), std::nullopt);
        EXPECT_EQ(monitor->latestResult().get(), std::nullopt);
        EXPECT_FALSE(monitor->isRunning().get());
        EXPECT_FALSE(monitor->runningTask());
        EXPECT_EQ(monitor->baselineLatencyMilliseconds().get().has_value(), row.baselineKept);
        EXPECT_EQ(monitor->baselineProbeFailedAttemptIndices().get(), std::vector<std::int64_t>{});
        EXPECT_EQ(monitor->downloadMbps().get().has_value(), row.downloadKept);
        EXPECT_EQ(monitor->downloadBufferbloatGrade().get().has_value(), row.downloadKept);
        EXPECT_EQ(monitor->uploadMbps().get(), std::nullopt);
        // No sampler is left pinging.
        const std::size_t pings = probe->calls.size();
        loop.advanceBy(5s);
        EXPECT_EQ(probe->calls.size(), pings);
    }
}

TEST_F(SpeedTestMonitorTest, AFailedUploadKeepsTheDownloadFiguresAndSaysWhy) {
    struct Row {
        std::exception_ptr error;
        std::string message;
    };
    const std::vector<Row> rows{
        {std::make_exception_ptr(SpeedTestRunnerError::invalidRequest()),
         "Speed test request configuration is invalid."},
        {std::make_exception_ptr(SpeedTestRunnerError::invalidResponse()),
         "Speed test server returned an unexpected response."},
        {std::make_exception_ptr(SpeedTestRunnerError::noDataTransferred()),
         "Speed test transferred no data."},
        // Transport errors reach the user in the HTTP layer's own words.
        {std::make_exception_ptr(HttpError(HttpErrorKind::timedOut, "Timeout was reached")),
         "Timeout was reached"},
    };
    probe->otherwise = {40.0};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        probe->answer({20.0, 20.0, 20.0, 20.0, 20.0});
        runner->uploadScript.failAfterChunks = 1;
        runner->uploadScript.error = row.error;
        monitor->start();
        loop.advanceBy(2200ms);
        ASSERT_EQ(monitor->phase().get(), SpeedTestPhase::upload);
        expectTheEndingInOneStep();
        loop.advanceBy(30s);
        EXPECT_TRUE(endedInOneStep);
        EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::failed);
        EXPECT_EQ(monitor->lastErrorMessage().get(), row.message);
        EXPECT_EQ(monitor->progress().get(), 0.0);
        EXPECT_EQ(monitor->downloadMbps().get(), 100.0);
        EXPECT_EQ(monitor->downloadLoadedLatencyMilliseconds().get(), 40.0);
        EXPECT_EQ(monitor->downloadBufferbloatRatio().get(), 2.0);
        EXPECT_EQ(monitor->downloadBufferbloatGrade().get(), BufferbloatGrade::b);
        EXPECT_EQ(monitor->uploadMbps().get(), std::nullopt);
        EXPECT_EQ(monitor->uploadBufferbloatGrade().get(), std::nullopt);
        EXPECT_EQ(monitor->latestResult().get(), std::nullopt);
        EXPECT_FALSE(monitor->isRunning().get());
        EXPECT_FALSE(monitor->runningTask());
    }
}

TEST_F(SpeedTestMonitorTest, ASampleThatReturnsAfterItsPhaseEndedReachesNoFigure) {
    // The baseline ends at 50 ms. The download sampler's first ping (50 to
    // 350 ms) gives 40; its second (700 to 1000 ms) is still out when the
    // download ends at 850 ms, and comes back with 999.
    runner->downloadScript = {200ms, 100.0};
    probe->answer({20.0, 20.0, 20.0, 20.0, 20.0});
    probe->answer({40.0, 999.0}, 300ms);
    probe->otherwise = {30.0};
    runTest();
    EXPECT_EQ(monitor->downloadLoadedLatencySamples(), std::vector<double>{40.0});
    EXPECT_EQ(monitor->downloadLoadedLatencyMilliseconds().get(), 40.0);
    ASSERT_FALSE(monitor->uploadLoadedLatencySamples().empty());
    for (const double sample : monitor->uploadLoadedLatencySamples()) {
        EXPECT_EQ(sample, 30.0);
    }
    EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::completed);
}

TEST_F(SpeedTestMonitorTest, ASampleThatReturnsAfterAFailedTestNeverReachesTheNextTest) {
    // The first test's sampler pings from 50 to 350 ms; its download fails
    // at 150 ms, and the next test starts at once.
    runner->downloadScript = {100ms, 100.0, 1,
                              std::make_exception_ptr(SpeedTestRunnerError::invalidResponse())};
    probe->answer({20.0, 20.0, 20.0, 20.0, 20.0});
    probe->answer({999.0}, 300ms);
    probe->answer({20.0, 20.0, 20.0, 20.0, 20.0});
    probe->otherwise = {40.0};
    monitor->start();
    loop.advanceBy(150ms);
    ASSERT_EQ(monitor->phase().get(), SpeedTestPhase::failed);

    runner->downloadScript = {100ms, 100.0};
    monitor->start();
    loop.advanceBy(30s);
    EXPECT_EQ(monitor->phase().get(), SpeedTestPhase::completed);
    ASSERT_FALSE(monitor->downloadLoadedLatencySamples().empty());
    for (const double sample : monitor->downloadLoadedLatencySamples()) {
        EXPECT_EQ(sample, 40.0);
    }
    EXPECT_EQ(monitor->downloadLoadedLatencyMilliseconds().get(), 40.0);
    EXPECT_EQ(monitor->baselineLatencyMilliseconds().get(), 20.0);
}

} // namespace
} // namespace lumra
