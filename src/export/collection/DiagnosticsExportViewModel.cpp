#include "export/collection/DiagnosticsExportViewModel.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Sleep.h"
#include "export/report/DiagnosticsReportBuilder.h"
#include "export/report/DiagnosticsReportWriter.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "platform/bundle/Bundle.h"
#include "platform/defaults/AtomicFileWriter.h"

#include <algorithm>
#include <ctime>
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <utility>

namespace lumra {

// How the collection drives one monitor's on-demand job.
struct DiagnosticsExportViewModel::Job {
    std::function<bool()> isBusy;
    std::function<void()> start;
    std::function<std::optional<TaskHandle<void>>()> runningTask;
    std::function<std::optional<std::string>()> lastErrorMessage;
    std::chrono::nanoseconds deadline;
    std::string_view timedOutMessage;
    std::optional<TaskHandle<void>> DiagnosticsExportViewModel::*awaited;
};

std::shared_ptr<DiagnosticsExportViewModel>
DiagnosticsExportViewModel::create(Engine engine, Timing timing, BundleValueProvider bundleValue,
                                   DateProvider dateProvider) {
    if (!bundleValue)
        bundleValue = [](std::string_view key) {
            return Bundle::main().infoValue(key);
        };
    if (!dateProvider)
        dateProvider = [] {
            return runtimeClock().wallNow();
        };
    return std::shared_ptr<DiagnosticsExportViewModel>(new DiagnosticsExportViewModel(
        std::move(engine), timing, std::move(bundleValue), std::move(dateProvider)));
}

DiagnosticsExportViewModel::DiagnosticsExportViewModel(Engine engine, Timing timing,
                                                       BundleValueProvider bundleValue,
                                                       DateProvider dateProvider)
    : m_engine(std::move(engine)), m_timing(timing), m_bundleValue(std::move(bundleValue)),
      m_dateProvider(std::move(dateProvider)) {}

DiagnosticsExportViewModel::~DiagnosticsExportViewModel() {
    if (m_viewTask)
        m_viewTask->cancel();
}

bool DiagnosticsExportViewModel::isReportReady() const {
    return m_collectedReport.get().has_value() && m_collectedReportJSONString.get().has_value();
}

Task<void> DiagnosticsExportViewModel::runCollectionIfIdle() {
    return runCollection(weak_from_this());
}

void DiagnosticsExportViewModel::viewDidAppear() {
    if (m_viewTask && !m_viewTask->isFinished() && !m_viewTask->isCancelled())
        return;
    std::weak_ptr<DiagnosticsExportViewModel> weakSelf = weak_from_this();
    m_viewTask = spawn(
        mainActor(), [weakSelf] { return runCollection(weakSelf); }, TaskPriority::userInitiated);
}

void DiagnosticsExportViewModel::viewDidDisappear() {
    if (m_viewTask)
        m_viewTask->cancel();
}

void DiagnosticsExportViewModel::regenerate() {
    std::weak_ptr<DiagnosticsExportViewModel> weakSelf = weak_from_this();
    spawn(mainActor(), [weakSelf] { return runCollection(weakSelf); });
}

Task<void>
DiagnosticsExportViewModel::runCollection(std::weak_ptr<DiagnosticsExportViewModel> weakSelf) {
    {
        auto self = weakSelf.lock();
        if (!self || self->m_isCollectingReport.get())
            co_return;
        // Claimed before the first suspension: a second request sees it.
        self->beginCollection();
    }
    // Runs on the cancelling thread; the cancellation itself is main-actor work.
    auto onCancel = [weakSelf]() noexcept {
        spawn(mainActor(), [weakSelf]() -> Task<void> {
            if (auto self = weakSelf.lock())
                self->cancelAwaitedJobs();
            co_return;
        });
    };
    auto collection = withTaskCancellationHandler(collectReport(weakSelf), onCancel);
    co_await std::move(collection);
}

void DiagnosticsExportViewModel::beginCollection() {
    m_isCollectingReport.set(true);
    m_actionMessage.set(std::nullopt);
    m_actionMessageTone.set(StatusColor::secondary);
    m_collectedReport.set(std::nullopt);
    m_collectedReportJSONString.set(std::nullopt);
    m_completedStages.set({});
}

Task<void> DiagnosticsExportViewModel::pause(std::chrono::nanoseconds duration) {
    // A cancelled collection goes on: the pause just ends at once.
    try {
        co_await sleepFor(duration);
    } catch (const CancellationError&) {
    }
}

Task<void>
DiagnosticsExportViewModel::collectReport(std::weak_ptr<DiagnosticsExportViewModel> weakSelf) {
    // Each step re-takes the model: it may be gone after any suspension.
    std::chrono::nanoseconds stagePause{};
    if (auto self = weakSelf.lock()) {
        stagePause = self->m_timing.stagePause;
        self->enterStage(CollectionStage::metrics, entryProgress(CollectionStage::metrics));
    } else {
        co_return;
    }
    co_await pause(stagePause);
    if (!advance(weakSelf, CollectionStage::metrics, CollectionStage::wifi))
        co_return;
    co_await pause(stagePause);
    if (!advance(weakSelf, CollectionStage::wifi, CollectionStage::latency))
        co_return;
    co_await pause(stagePause);

    if (!advance(weakSelf, CollectionStage::latency, CollectionStage::channel))
        co_return;
    auto channelWait =
        waitForJob(weakSelf, jobOf(weakSelf, &DiagnosticsExportViewModel::channelScanJob));
    const std::optional<std::string> channelMessage = co_await std::move(channelWait);

    if (!advance(weakSelf, CollectionStage::channel, CollectionStage::speed))
        co_return;
    auto speedWait =
        waitForJob(weakSelf, jobOf(weakSelf, &DiagnosticsExportViewModel::speedTestJob));
    const std::optional<std::string> speedMessage = co_await std::move(speedWait);

    if (!advance(weakSelf, CollectionStage::speed, CollectionStage::finalize))
        co_return;
    if (auto self = weakSelf.lock())
        self->finalizeReport(channelMessage, speedMessage);
}

bool DiagnosticsExportViewModel::advance(const std::weak_ptr<DiagnosticsExportViewModel>& weakSelf,
                                         CollectionStage finished, CollectionStage next) {
    auto self = weakSelf.lock();
    if (!self)
        return false;
    self->m_completedStages.modify(
        [finished](std::set<CollectionStage>& stages) { stages.insert(finished); });
    self->enterStage(next, entryProgress(next));
    return true;
}

void DiagnosticsExportViewModel::enterStage(CollectionStage stage, double progress) {
    m_collectionMessage.set(std::string(title(stage)) + "...");
    // NaN fails both comparisons and ends as 0.
    m_collectionProgress.set(progress > 0 ? std::min(progress, 1.0) : 0.0);
}

DiagnosticsExportViewModel::Job DiagnosticsExportViewModel::channelScanJob() {
    std::shared_ptr<ChannelScanMonitor> monitor = m_engine.channelScanMonitor;
    return Job{[monitor] { return monitor->isScanning().get(); },
               [monitor] { monitor->startScan(); },
               [monitor] { return monitor->runningTask(); },
               [monitor] { return monitor->lastErrorMessage().get(); },
               m_timing.channelScanDeadline,
               channelScanTimedOutMessage,
               &DiagnosticsExportViewModel::m_awaitedChannelScan};
}

DiagnosticsExportViewModel::Job DiagnosticsExportViewModel::speedTestJob() {
    std::shared_ptr<SpeedTestMonitor> monitor = m_engine.speedTestMonitor;
    return Job{[monitor] { return monitor->isRunning().get(); },
               [monitor] { monitor->start(); },
               [monitor] { return monitor->runningTask(); },
               [monitor] { return monitor->lastErrorMessage().get(); },
               m_timing.speedTestDeadline,
               speedTestTimedOutMessage,
               &DiagnosticsExportViewModel::m_awaitedSpeedTest};
}

std::optional<DiagnosticsExportViewModel::Job>
DiagnosticsExportViewModel::jobOf(const std::weak_ptr<DiagnosticsExportViewModel>& weakSelf,
                                  Job (DiagnosticsExportViewModel::*make)()) {
    if (auto self = weakSelf.lock())
        return ((*self).*make)();
    return std::nullopt;
}

Task<std::optional<std::string>>
DiagnosticsExportViewModel::waitForJob(std::weak_ptr<DiagnosticsExportViewModel> weakSelf,
                                       std::optional<Job> maybeJob) {
    if (!maybeJob)
        co_return std::nullopt;
    Job& job = *maybeJob;
    // A cancelled collection neither starts a job (that would wipe the
    // monitor's last result and send traffic for nothing) nor joins one the
    // user started: the report takes the monitor's own state as it is.
    if (isCancelled())
        co_return std::nullopt;
    if (!job.isBusy())
        job.start();
    const std::optional<TaskHandle<void>> awaited = job.runningTask();
    if (!awaited)
        co_return std::nullopt;
    // Still ours: a job the user starts after ours ended is not waited for.
    const auto stillRunning = [&job, &awaited] {
        const auto running = job.runningTask();
        return job.isBusy() && running && *running == *awaited;
    };
    if (auto self = weakSelf.lock())
        (*self).*job.awaited = awaited;
    else
        co_return std::nullopt;

    Clock& clock = runtimeClock();
    const Clock::UptimePoint deadline = saturatingDeadline(clock.uptimeNow(), job.deadline);
    std::chrono::nanoseconds pollInterval{};
    if (auto self = weakSelf.lock())
        pollInterval = self->m_timing.jobPollInterval;
    bool cancelled = false;
    while (clock.uptimeNow() < deadline) {
        if (!stillRunning())
            break;
        try {
            co_await sleepFor(pollInterval);
        } catch (const CancellationError&) {
            cancelled = true;
            break;
        }
        if (weakSelf.expired())
            break;
    }

    if (auto self = weakSelf.lock())
        (*self).*job.awaited = std::nullopt;
    if (!stillRunning())
        co_return std::nullopt;
    awaited->cancel();
    // The monitor has not seen the cancellation yet; its sentence is the one
    // it holds now. A cancelled wait did not time out.
    std::optional<std::string> message = job.lastErrorMessage();
    if (!message && !cancelled)
        message = std::string(job.timedOutMessage);
    co_return message;
}

void DiagnosticsExportViewModel::cancelAwaitedJobs() {
    const auto cancelIfRunning = [](const std::optional<TaskHandle<void>>& awaited,
                                    const std::optional<TaskHandle<void>>& running) {
        if (awaited && running && *awaited == *running)
            awaited->cancel();
    };
    cancelIfRunning(m_awaitedChannelScan, m_engine.channelScanMonitor->runningTask());
    cancelIfRunning(m_awaitedSpeedTest, m_engine.speedTestMonitor->runningTask());
}

void DiagnosticsExportViewModel::finalizeReport(const std::optional<std::string>& channelMessage,
                                                const std::optional<std::string>& speedMessage) {
    const auto exportedAt = m_dateProvider();
    const auto& speedTest = *m_engine.speedTestMonitor;
    const auto& channelScan = *m_engine.channelScanMonitor;
    const DiagnosticsExportInput input{
        exportedAt,
        m_bundleValue("CFBundleShortVersionString"),
        m_bundleValue("CFBundleVersion"),
        m_engine.lifecycleController->isMonitoringEnabled().get(),
        m_engine.lifecycleController->isBatteryFriendly().get(),
        m_engine.healthAggregationController->latestDiagnosticsSnapshot().get(),
        m_engine.connectionMonitor->latestResult().get(),
        m_engine.connectionMonitor->lastErrorMessage().get(),
        m_engine.captivePortalMonitor->latestStatus().get(),
        m_engine.captivePortalMonitor->lastErrorMessage().get(),
        speedTest.latestResult().get(),
        speedTest.phase().get(),
        speedMessage ? speedMessage : speedTest.lastErrorMessage().get(),
        channelScan.latestResult().get(),
        channelMessage ? channelMessage : channelScan.lastErrorMessage().get(),
    };
    DiagnosticsExportReport report = buildDiagnosticsExportReport(input);
    std::string text = diagnosticsReportTextOrFallback(report);

    m_collectedReport.set(std::move(report));
    m_collectedReportJSONString.set(std::move(text));
    m_completedStages.modify(
        [](std::set<CollectionStage>& stages) { stages.insert(CollectionStage::finalize); });
    m_collectionProgress.set(1.0);
    m_collectionMessage.set(std::string(reportReadyMessage));
    m_isCollectingReport.set(false);
}

void DiagnosticsExportViewModel::setActionMessage(std::string_view message, StatusColor tone) {
    m_actionMessage.set(std::string(message));
    m_actionMessageTone.set(tone);
}

void DiagnosticsExportViewModel::copyReport(ReportPasteboard& pasteboard) {
    const auto& text = m_collectedReportJSONString.get();
    if (!text) {
        setActionMessage(stillCollectingMessage, StatusColor::secondary);
        return;
    }
    pasteboard.clearContents();
    if (pasteboard.setString(*text))
        setActionMessage(copiedMessage, StatusColor::green);
    else
        setActionMessage(copyFailedMessage, StatusColor::red);
}

void DiagnosticsExportViewModel::shareReport(ReportSavePanel& panel) {
    if (!m_collectedReportJSONString.get()) {
        setActionMessage(stillCollectingMessage, StatusColor::secondary);
        return;
    }
    // The text of this moment is what gets written, whatever the state is
    // when the dialog closes.
    std::string text = *m_collectedReportJSONString.get();
    std::weak_ptr<DiagnosticsExportViewModel> weakSelf = weak_from_this();
    panel.begin(
        {std::string(savePanelTitle), diagnosticsExportFileName()},
        [weakSelf, text = std::move(text)](const std::optional<std::filesystem::path>& location) {
            if (!location)
                return;
            const bool written = !saveDocument(*location, text, 0666);
            auto self = weakSelf.lock();
            if (!self)
                return;
            if (written)
                self->setActionMessage("Diagnostics report saved to " +
                                           location->filename().string() + ".",
                                       StatusColor::green);
            else
                self->setActionMessage(saveFailedMessage, StatusColor::red);
        });
}

std::string DiagnosticsExportViewModel::diagnosticsExportFileName() const {
    const auto& report = m_collectedReport.get();
    const auto exportedAt = report ? report->exportedAt : m_dateProvider();
    const std::time_t seconds =
        std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(exportedAt));
    return fmt::format("lumra-diagnostics-{:%Y%m%d-%H%M%S}.json", fmt::localtime(seconds));
}

} // namespace lumra
