// Runs one speed test on demand (main actor) and publishes its progress and
// figures for the Speed Test window and the diagnostics export: an idle
// baseline from single pings, the download and then the upload, each with a
// loaded-latency sampler pinging beside it, and finally the result with a
// bufferbloat ratio and grade per direction. Only the pings and the
// transfers run away from the main actor.
//
// There is no stop operation: a caller ends a test by cancelling
// runningTask(). The test then ends as "cancelled" in one main-actor step,
// also while chunks are in flight. A sample that arrives after its phase
// has ended is dropped, so it can reach neither that phase's mean nor a
// later test.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Spawn.h"
#include "model/BufferbloatGrade.h"
#include "model/SpeedTestPhase.h"
#include "model/SpeedTestResult.h"
#include "monitoring/ping/BuiltInInternetTarget.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/speedtest/BufferbloatGradeThresholds.h"
#include "probes/speedtest/SpeedTestConfiguration.h"
#include "probes/speedtest/SpeedTestLatencyProbing.h"
#include "probes/speedtest/SpeedTesting.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class SpeedTestMonitor final : public ObservableObject {
public:
    struct Settings {
        SpeedTestConfiguration configuration = defaultSpeedTestConfiguration;
        std::string latencyProbeHost = builtInInternetTarget;
        double latencyProbeTimeout = 2.0;
        std::int64_t baselineProbeAttempts = 5;
        // The pause after every sampler ping, successful or not.
        double phaseLatencySamplingInterval = 0.35;
        BufferbloatGradeThresholds gradeThresholds = defaultBufferbloatGradeThresholds;
    };

    static std::shared_ptr<SpeedTestMonitor>
    create(std::shared_ptr<SpeedTesting> speedTestRunner,
           std::shared_ptr<SpeedTestLatencyProbing> latencyProbe, DateProvider dateProvider,
           Settings settings);
    // Cancels a running test.
    ~SpeedTestMonitor() override;

    // Begins a test unless one is running (then nothing changes); returns at once.
    void start();

    // The last test that completed; cleared when a test starts.
    const Published<std::optional<SpeedTestResult>>& latestResult() const { return m_latestResult; }
    const Published<bool>& isRunning() const { return m_isRunning; }
    const Published<SpeedTestPhase>& phase() const { return m_phase; }
    // 0 to 0.5 through the download, 0.5 to 1 through the upload.
    const Published<double>& progress() const { return m_progress; }
    const Published<std::optional<double>>& downloadMbps() const { return m_downloadMbps; }
    const Published<std::optional<double>>& uploadMbps() const { return m_uploadMbps; }
    // Median of the successful baseline pings.
    const Published<std::optional<double>>& baselineLatencyMilliseconds() const {
        return m_baselineLatencyMilliseconds;
    }
    // Means of the latencies sampled while each phase ran.
    const Published<std::optional<double>>& downloadLoadedLatencyMilliseconds() const {
        return m_downloadLoadedLatencyMilliseconds;
    }
    const Published<std::optional<double>>& uploadLoadedLatencyMilliseconds() const {
        return m_uploadLoadedLatencyMilliseconds;
    }
    const Published<std::optional<double>>& downloadBufferbloatRatio() const {
        return m_downloadBufferbloatRatio;
    }
    const Published<std::optional<double>>& uploadBufferbloatRatio() const {
        return m_uploadBufferbloatRatio;
    }
    const Published<std::optional<BufferbloatGrade>>& downloadBufferbloatGrade() const {
        return m_downloadBufferbloatGrade;
    }
    const Published<std::optional<BufferbloatGrade>>& uploadBufferbloatGrade() const {
        return m_uploadBufferbloatGrade;
    }
    // 1-based numbers of the baseline attempts that gave no latency.
    const Published<std::vector<std::int64_t>>& baselineProbeFailedAttemptIndices() const {
        return m_baselineProbeFailedAttemptIndices;
    }
    const Published<std::optional<std::string>>& lastErrorMessage() const {
        return m_lastErrorMessage;
    }

    // The samples of the current or last test, in arrival order.
    const std::vector<double>& downloadLoadedLatencySamples() const {
        return m_downloadLoadedLatencySamples;
    }
    const std::vector<double>& uploadLoadedLatencySamples() const {
        return m_uploadLoadedLatencySamples;
    }
    // The running test; cleared before isRunning turns false. Cancel it to
    // end the test.
    const std::optional<TaskHandle<void>>& runningTask() const { return m_runningTask; }
    const Settings& settings() const { return m_settings; }
    const std::shared_ptr<SpeedTestLatencyProbing>& latencyProbe() const { return m_latencyProbe; }

    // Middle element of the sorted values, or the mean of the two middle ones.
    static std::optional<double> median(std::vector<double> values);
    // Sum in order divided by the count.
    static std::optional<double> mean(const std::vector<double>& values);
    // loaded / baseline, when both are present and above 0.
    static std::optional<double> bufferbloatRatio(std::optional<double> loadedMilliseconds,
                                                  std::optional<double> baselineMilliseconds);
    static std::optional<BufferbloatGrade> grade(std::optional<double> ratio,
                                                 const BufferbloatGradeThresholds& thresholds);
    // The sentence for a test that ended with this error; none for a cancellation.
    static std::optional<std::string> errorMessage(const std::exception_ptr& error);

private:
    class PhaseSampler;
    struct Baseline {
        std::vector<double> latencies;
        std::vector<std::int64_t> failedAttempts;
    };

    SpeedTestMonitor(std::shared_ptr<SpeedTesting> speedTestRunner,
                     std::shared_ptr<SpeedTestLatencyProbing> latencyProbe,
                     DateProvider dateProvider, Settings settings);

    static Task<void> runTest(std::weak_ptr<SpeedTestMonitor> weakSelf);
    static Task<Baseline> measureBaselineLatency(std::shared_ptr<SpeedTestLatencyProbing> probe,
                                                 std::string host, double timeout,
                                                 std::int64_t attempts);
    static Task<void> sampleLatency(std::weak_ptr<SpeedTestMonitor> weakSelf,
                                    std::uint64_t generation, SpeedTestPhase phase);
    static SpeedTestProgress progressReporter(std::weak_ptr<SpeedTestMonitor> weakSelf,
                                              SpeedTestPhase phase);
    static Task<void> reportProgress(std::weak_ptr<SpeedTestMonitor> weakSelf, SpeedTestPhase phase,
                                     double fraction);

    void applyProgress(SpeedTestPhase phase, double fraction);
    void publishBaseline(const Baseline& baseline);
    void publishDownload(double mbps);
    void publishUploadAndComplete(double downloadMbps, double uploadMbps);
    void fail(const std::exception_ptr& error, PhaseSampler& sampler);
    void finish();
    void appendSample(SpeedTestPhase phase, double latencyMilliseconds);

    Published<std::optional<SpeedTestResult>> m_latestResult{std::nullopt, this};
    Published<bool> m_isRunning{false, this};
    Published<SpeedTestPhase> m_phase{SpeedTestPhase::idle, this};
    Published<double> m_progress{0.0, this};
    Published<std::optional<double>> m_downloadMbps{std::nullopt, this};
    Published<std::optional<double>> m_uploadMbps{std::nullopt, this};
    Published<std::optional<double>> m_baselineLatencyMilliseconds{std::nullopt, this};
    Published<std::optional<double>> m_downloadLoadedLatencyMilliseconds{std::nullopt, this};
    Published<std::optional<double>> m_uploadLoadedLatencyMilliseconds{std::nullopt, this};
    Published<std::optional<double>> m_downloadBufferbloatRatio{std::nullopt, this};
    Published<std::optional<double>> m_uploadBufferbloatRatio{std::nullopt, this};
    Published<std::optional<BufferbloatGrade>> m_downloadBufferbloatGrade{std::nullopt, this};
    Published<std::optional<BufferbloatGrade>> m_uploadBufferbloatGrade{std::nullopt, this};
    Published<std::vector<std::int64_t>> m_baselineProbeFailedAttemptIndices{{}, this};
    Published<std::optional<std::string>> m_lastErrorMessage{std::nullopt, this};

    const Settings m_settings;
    const std::shared_ptr<SpeedTesting> m_speedTestRunner;
    const std::shared_ptr<SpeedTestLatencyProbing> m_latencyProbe;
    const DateProvider m_dateProvider;
    std::vector<double> m_downloadLoadedLatencySamples;
    std::vector<double> m_uploadLoadedLatencySamples;
    std::optional<TaskHandle<void>> m_runningTask;
    // Counts the tests started; a sampler only writes into the test it
    // was started for.
    std::uint64_t m_generation = 0;
    std::weak_ptr<SpeedTestMonitor> m_weakSelf;
};

} // namespace lumra
