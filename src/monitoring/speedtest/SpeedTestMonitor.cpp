#include "monitoring/speedtest/SpeedTestMonitor.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Hops.h"
#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "probes/speedtest/SpeedTestRunnerError.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace lumra {

namespace {

const char* const invalidRequestMessage = "Speed test request configuration is invalid.";
const char* const invalidResponseMessage = "Speed test server returned an unexpected response.";
const char* const noDataTransferredMessage = "Speed test transferred no data.";
const char* const genericFailureMessage = "The operation couldn\u2019t be completed.";

std::chrono::nanoseconds pauseOf(double seconds) {
    const std::uint64_t nanoseconds = TaskSleeper::nanosecondsFor(seconds);
    constexpr auto longest =
        static_cast<std::uint64_t>(std::numeric_limits<std::chrono::nanoseconds::rep>::max());
    return std::chrono::nanoseconds(
        static_cast<std::chrono::nanoseconds::rep>(std::min(nanoseconds, longest)));
}

} // namespace

// The loaded-latency sampler of the phase that runs: a task of its own, not
// a child of the test, so the test decides when it ends.
class SpeedTestMonitor::PhaseSampler {
public:
    PhaseSampler() = default;
    PhaseSampler(const PhaseSampler&) = delete;
    PhaseSampler& operator=(const PhaseSampler&) = delete;
    ~PhaseSampler() { cancel(); }

    void start(std::weak_ptr<SpeedTestMonitor> weakSelf, std::uint64_t generation,
               SpeedTestPhase phase) {
        m_task = spawn(mainActor(), [weakSelf, generation, phase] {
            return sampleLatency(weakSelf, generation, phase);
        });
    }

    // Ends the sampler without waiting for it.
    void cancel() {
        if (m_task)
            m_task->cancel();
        m_task.reset();
    }

    // Ends the sampler and waits until it has ended, so nothing it measures
    // can arrive once the phase's figures are computed.
    Task<void> stop() {
        std::optional<TaskHandle<void>> task = std::exchange(m_task, std::nullopt);
        if (!task)
            co_return;
        task->cancel();
        try {
            co_await task->value();
        } catch (const CancellationError&) {
            // We cancelled it just now.
        } catch (...) {
            // A sampler that failed has no samples to add; the test goes on.
            LUMRA_LOG_CAUGHT("speedtest", "a sampler failed");
        }
    }

private:
    std::optional<TaskHandle<void>> m_task;
};

std::shared_ptr<SpeedTestMonitor>
SpeedTestMonitor::create(std::shared_ptr<SpeedTesting> speedTestRunner,
                         std::shared_ptr<SpeedTestLatencyProbing> latencyProbe,
                         DateProvider dateProvider, Settings settings) {
    std::shared_ptr<SpeedTestMonitor> monitor(
        new SpeedTestMonitor(std::move(speedTestRunner), std::move(latencyProbe),
                             std::move(dateProvider), std::move(settings)));
    monitor->m_weakSelf = monitor;
    return monitor;
}

SpeedTestMonitor::SpeedTestMonitor(std::shared_ptr<SpeedTesting> speedTestRunner,
                                   std::shared_ptr<SpeedTestLatencyProbing> latencyProbe,
                                   DateProvider dateProvider, Settings settings)
    : m_settings(std::move(settings)), m_speedTestRunner(std::move(speedTestRunner)),
      m_latencyProbe(std::move(latencyProbe)), m_dateProvider(std::move(dateProvider)) {}

SpeedTestMonitor::~SpeedTestMonitor() {
    if (m_runningTask)
        m_runningTask->cancel();
}

void SpeedTestMonitor::start() {
    if (m_runningTask)
        return;
    ++m_generation;
    // The body is queued, never run inline, so the resets below come first;
    // the handle is set before them so that a start() made from one of
    // their notifications finds this test running.
    std::weak_ptr<SpeedTestMonitor> weakSelf = m_weakSelf;
    m_runningTask = spawn(mainActor(), [weakSelf] { return runTest(weakSelf); });
    m_latestResult.set(std::nullopt);
    m_lastErrorMessage.set(std::nullopt);
    m_downloadMbps.set(std::nullopt);
    m_uploadMbps.set(std::nullopt);
    m_baselineLatencyMilliseconds.set(std::nullopt);
    m_downloadLoadedLatencyMilliseconds.set(std::nullopt);
    m_uploadLoadedLatencyMilliseconds.set(std::nullopt);
    m_downloadBufferbloatRatio.set(std::nullopt);
    m_uploadBufferbloatRatio.set(std::nullopt);
    m_downloadBufferbloatGrade.set(std::nullopt);
    m_uploadBufferbloatGrade.set(std::nullopt);
    m_baselineProbeFailedAttemptIndices.set({});
    m_downloadLoadedLatencySamples.clear();
    m_uploadLoadedLatencySamples.clear();
    m_progress.set(0.0);
    m_phase.set(SpeedTestPhase::download);
    m_isRunning.set(true);
}

std::optional<double> SpeedTestMonitor::median(std::vector<double> values) {
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

std::optional<double> SpeedTestMonitor::mean(const std::vector<double>& values) {
    if (values.empty())
        return std::nullopt;
    double sum = 0;
    for (const double value : values)
        sum += value;
    return sum / static_cast<double>(values.size());
}

std::optional<double>
SpeedTestMonitor::bufferbloatRatio(std::optional<double> loadedMilliseconds,
                                   std::optional<double> baselineMilliseconds) {
    if (!loadedMilliseconds || !baselineMilliseconds || !(*loadedMilliseconds > 0) ||
        !(*baselineMilliseconds > 0))
        return std::nullopt;
    return *loadedMilliseconds / *baselineMilliseconds;
}

std::optional<BufferbloatGrade>
SpeedTestMonitor::grade(std::optional<double> ratio, const BufferbloatGradeThresholds& thresholds) {
    if (!ratio)
        return std::nullopt;
    if (*ratio < thresholds.aUpperBoundExclusive)
        return BufferbloatGrade::a;
    if (*ratio < thresholds.bUpperBoundExclusive)
        return BufferbloatGrade::b;
    if (*ratio < thresholds.cUpperBoundExclusive)
        return BufferbloatGrade::c;
    return BufferbloatGrade::f;
}

std::optional<std::string> SpeedTestMonitor::errorMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return std::nullopt;
    } catch (const SpeedTestRunnerError& runnerError) {
        switch (runnerError.errorCase()) {
        case SpeedTestRunnerError::Case::invalidRequest:
            return invalidRequestMessage;
        case SpeedTestRunnerError::Case::invalidResponse:
            return invalidResponseMessage;
        case SpeedTestRunnerError::Case::noDataTransferred:
            return noDataTransferredMessage;
        }
        return invalidRequestMessage;
    } catch (const std::exception& other) {
        // Transport errors carry the HTTP layer's own description.
        return std::string(other.what());
    } catch (...) {
        LUMRA_LOG_CAUGHT("speedtest", "the test failed");
        return genericFailureMessage;
    }
}

Task<SpeedTestMonitor::Baseline>
SpeedTestMonitor::measureBaselineLatency(std::shared_ptr<SpeedTestLatencyProbing> probe,
                                         std::string host, double timeout, std::int64_t attempts) {
    Baseline baseline;
    for (std::int64_t attempt = 1; attempt <= attempts; ++attempt) {
        checkCancellation();
        const std::optional<double> latency = co_await probe->measureLatency(host, timeout);
        if (latency)
            baseline.latencies.push_back(*latency);
        else
            baseline.failedAttempts.push_back(attempt);
    }
    co_return baseline;
}

Task<void> SpeedTestMonitor::sampleLatency(std::weak_ptr<SpeedTestMonitor> weakSelf,
                                           std::uint64_t generation, SpeedTestPhase phase) {
    std::shared_ptr<SpeedTestLatencyProbing> probe;
    std::string host;
    double timeout = 0;
    std::chrono::nanoseconds pause{0};
    {
        auto self = weakSelf.lock();
        if (!self)
            co_return;
        probe = self->m_latencyProbe;
        host = self->m_settings.latencyProbeHost;
        timeout = self->m_settings.latencyProbeTimeout;
        pause = pauseOf(self->m_settings.phaseLatencySamplingInterval);
    }
    while (!isCancelled()) {
        const std::optional<double> latency = co_await probe->measureLatency(host, timeout);
        // A ping that comes back after its phase ended measured no load of
        // this phase, and the test may be over.
        if (isCancelled())
            co_return;
        if (latency) {
            auto self = weakSelf.lock();
            if (!self)
                co_return;
            if (self->m_generation == generation)
                self->appendSample(phase, *latency);
        }
        try {
            co_await sleepFor(pause);
        } catch (const CancellationError&) {
            co_return;
        }
    }
}

SpeedTestProgress SpeedTestMonitor::progressReporter(std::weak_ptr<SpeedTestMonitor> weakSelf,
                                                     SpeedTestPhase phase) {
    return [weakSelf, phase](double fraction) {
        return reportProgress(weakSelf, phase, fraction);
    };
}

// Called in the runner's task, which may be on the background pool; the
// monitor is touched only on the main actor.
Task<void> SpeedTestMonitor::reportProgress(std::weak_ptr<SpeedTestMonitor> weakSelf,
                                            SpeedTestPhase phase, double fraction) {
    co_await resumeOn(mainActor());
    if (auto self = weakSelf.lock())
        self->applyProgress(phase, fraction);
}

void SpeedTestMonitor::applyProgress(SpeedTestPhase phase, double fraction) {
    const double done = fraction > 0 ? std::min(fraction, 1.0) : 0.0; // NaN counts as none done
    m_phase.set(phase);
    m_progress.set(phase == SpeedTestPhase::download ? 0.5 * done : 0.5 + 0.5 * done);
}

void SpeedTestMonitor::appendSample(SpeedTestPhase phase, double latencyMilliseconds) {
    if (phase == SpeedTestPhase::download)
        m_downloadLoadedLatencySamples.push_back(latencyMilliseconds);
    else
        m_uploadLoadedLatencySamples.push_back(latencyMilliseconds);
}

void SpeedTestMonitor::publishBaseline(const Baseline& baseline) {
    m_baselineLatencyMilliseconds.set(median(baseline.latencies));
    m_baselineProbeFailedAttemptIndices.set(baseline.failedAttempts);
}

void SpeedTestMonitor::publishDownload(double mbps) {
    m_downloadMbps.set(mbps);
    const std::optional<double> loaded = mean(m_downloadLoadedLatencySamples);
    m_downloadLoadedLatencyMilliseconds.set(loaded);
    const std::optional<double> ratio =
        bufferbloatRatio(loaded, m_baselineLatencyMilliseconds.get());
    m_downloadBufferbloatRatio.set(ratio);
    m_downloadBufferbloatGrade.set(grade(ratio, m_settings.gradeThresholds));
    m_progress.set(0.5);
    m_phase.set(SpeedTestPhase::upload);
}

void SpeedTestMonitor::publishUploadAndComplete(double downloadMbps, double uploadMbps) {
    m_uploadMbps.set(uploadMbps);
    const std::optional<double> loaded = mean(m_uploadLoadedLatencySamples);
    m_uploadLoadedLatencyMilliseconds.set(loaded);
    const std::optional<double> ratio =
        bufferbloatRatio(loaded, m_baselineLatencyMilliseconds.get());
    m_uploadBufferbloatRatio.set(ratio);
    m_uploadBufferbloatGrade.set(grade(ratio, m_settings.gradeThresholds));
    m_progress.set(1.0);
    m_phase.set(SpeedTestPhase::completed);
    m_latestResult.set(SpeedTestResult{
        .timestamp = m_dateProvider(),
        .downloadMbps = downloadMbps,
        .uploadMbps = uploadMbps,
        .baselineLatencyMilliseconds = m_baselineLatencyMilliseconds.get(),
        .downloadLoadedLatencyMilliseconds = m_downloadLoadedLatencyMilliseconds.get(),
        .uploadLoadedLatencyMilliseconds = m_uploadLoadedLatencyMilliseconds.get(),
        .downloadBufferbloatRatio = m_downloadBufferbloatRatio.get(),
        .uploadBufferbloatRatio = m_uploadBufferbloatRatio.get(),
        .downloadBufferbloatGrade = m_downloadBufferbloatGrade.get(),
        .uploadBufferbloatGrade = m_uploadBufferbloatGrade.get(),
        .didSucceed = true,
    });
    finish();
}

void SpeedTestMonitor::fail(const std::exception_ptr& error, PhaseSampler& sampler) {
    m_progress.set(0.0);
    const std::optional<std::string> message = errorMessage(error);
    if (message) {
        m_phase.set(SpeedTestPhase::failed);
        m_lastErrorMessage.set(message);
    } else {
        m_phase.set(SpeedTestPhase::cancelled);
    }
    sampler.cancel();
    finish();
}

void SpeedTestMonitor::finish() {
    m_runningTask.reset();
    m_isRunning.set(false);
}

// Holds the monitor only between awaits: a monitor released during a test
// is not kept alive by it, and its destructor cancels the test.
Task<void> SpeedTestMonitor::runTest(std::weak_ptr<SpeedTestMonitor> weakSelf) {
    std::shared_ptr<SpeedTesting> runner;
    std::shared_ptr<SpeedTestLatencyProbing> probe;
    std::optional<Settings> settings;
    std::uint64_t generation = 0;
    {
        auto self = weakSelf.lock();
        if (!self)
            co_return;
        runner = self->m_speedTestRunner;
        probe = self->m_latencyProbe;
        settings = self->m_settings;
        generation = self->m_generation;
    }
    PhaseSampler sampler;
    try {
        const Baseline baseline = co_await measureBaselineLatency(probe, settings->latencyProbeHost,
                                                                  settings->latencyProbeTimeout,
                                                                  settings->baselineProbeAttempts);
        if (auto self = weakSelf.lock())
            self->publishBaseline(baseline);
        else
            co_return;

        sampler.start(weakSelf, generation, SpeedTestPhase::download);
        SpeedTestProgress downloadProgress = progressReporter(weakSelf, SpeedTestPhase::download);
        const double downloadMbps =
            co_await runner->download(settings->configuration, std::move(downloadProgress));
        co_await sampler.stop();
        if (auto self = weakSelf.lock())
            self->publishDownload(downloadMbps);
        else
            co_return;

        sampler.start(weakSelf, generation, SpeedTestPhase::upload);
        SpeedTestProgress uploadProgress = progressReporter(weakSelf, SpeedTestPhase::upload);
        const double uploadMbps =
            co_await runner->upload(settings->configuration, std::move(uploadProgress));
        co_await sampler.stop();
        if (auto self = weakSelf.lock())
            self->publishUploadAndComplete(downloadMbps, uploadMbps);
    } catch (...) {
        // No await from here on: the whole ending is one main-actor step.
        if (auto self = weakSelf.lock())
            self->fail(std::current_exception(), sampler);
    }
}

} // namespace lumra
