// The Diagnostics Export window's state and work, without Qt: the staged
// collection of one report (three short pauses, then a channel scan and a
// speed test, each started or joined and waited for up to a deadline, then
// one finalisation that reads every monitor), and the copy and save actions
// that hand the report's text to the user.
//
// One collection runs at a time. The window's own collection (viewDidAppear)
// is cancelled when the window leaves the screen (viewDidDisappear); a
// cancelled collection still finalises a report, but it starts and joins no
// new scan or test, and it cancels only the job it was waiting for. One
// started by regenerate() runs to its end.
//
// Main actor only. Its tasks hold it weakly.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Spawn.h"
#include "export/collection/CollectionStage.h"
#include "export/report/DiagnosticsExportReport.h"
#include "shell/services/Engine.h"
#include "viewkit/StatusColor.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace lumra {

class CaptivePortalMonitor;
class ChannelScanMonitor;
class ConnectionMonitor;
class HealthAggregationController;
class MonitoringLifecycleController;
class SpeedTestMonitor;

// The clipboard, as the copy action needs it.
class ReportPasteboard {
public:
    virtual ~ReportPasteboard() = default;
    virtual void clearContents() = 0;
    // Whether the clipboard took the text.
    virtual bool setString(const std::string& text) = 0;
};

// A save dialog shown on its own (never blocking the caller); its completion
// gets the chosen file, or none when the user dismissed it.
class ReportSavePanel {
public:
    struct Request {
        std::string title;
        std::string proposedFileName;
    };
    virtual ~ReportSavePanel() = default;
    virtual void begin(Request request,
                       std::function<void(std::optional<std::filesystem::path>)> completion) = 0;
};

// The pauses, the poll interval of the waits and the two deadlines, all on
// the monotonic clock.
struct DiagnosticsExportTiming {
    std::chrono::nanoseconds stagePause = std::chrono::milliseconds(180);
    std::chrono::nanoseconds jobPollInterval = std::chrono::milliseconds(200);
    std::chrono::nanoseconds channelScanDeadline = std::chrono::seconds(24);
    std::chrono::nanoseconds speedTestDeadline = std::chrono::seconds(95);
};

class DiagnosticsExportViewModel final
    : public ObservableObject,
      public std::enable_shared_from_this<DiagnosticsExportViewModel> {
public:
    using Timing = DiagnosticsExportTiming;
    // A value of the application's information table, when it has one.
    using BundleValueProvider = std::function<std::optional<std::string>(std::string_view key)>;
    using DateProvider = std::function<std::chrono::system_clock::time_point()>;

    static constexpr std::string_view initialCollectionMessage = "Collecting metrics...";
    static constexpr std::string_view reportReadyMessage = "Report ready.";
    static constexpr std::string_view channelScanTimedOutMessage = "Channel scan timed out.";
    static constexpr std::string_view speedTestTimedOutMessage = "Speed test timed out.";
    static constexpr std::string_view stillCollectingMessage =
        "Diagnostics report is still being collected.";
    static constexpr std::string_view copiedMessage = "Diagnostics report copied to clipboard.";
    static constexpr std::string_view copyFailedMessage = "Unable to copy diagnostics report.";
    static constexpr std::string_view saveFailedMessage = "Failed to save diagnostics report.";
    static constexpr std::string_view savePanelTitle = "Save Diagnostics Report";

    // The bundle defaults to the application's own table and the date to the
    // runtime's wall clock.
    static std::shared_ptr<DiagnosticsExportViewModel> create(Engine engine, Timing timing = {},
                                                              BundleValueProvider bundleValue = {},
                                                              DateProvider dateProvider = {});
    ~DiagnosticsExportViewModel() override;

    const Published<std::optional<std::string>>& actionMessage() const { return m_actionMessage; }
    const Published<StatusColor>& actionMessageTone() const { return m_actionMessageTone; }
    const Published<std::optional<DiagnosticsExportReport>>& collectedReport() const {
        return m_collectedReport;
    }
    // The report's JSON text, or the fallback text when it could not be written.
    const Published<std::optional<std::string>>& collectedReportJSONString() const {
        return m_collectedReportJSONString;
    }
    const Published<double>& collectionProgress() const { return m_collectionProgress; }
    const Published<std::string>& collectionMessage() const { return m_collectionMessage; }
    const Published<std::set<CollectionStage>>& completedStages() const {
        return m_completedStages;
    }
    const Published<bool>& isCollectingReport() const { return m_isCollectingReport; }

    // Both the report and its text are held.
    bool isReportReady() const;

    // Runs one collection unless one is running (then returns at once).
    Task<void> runCollectionIfIdle();

    // The window came on screen: starts its collection task (when none of
    // its own is alive). Leaving the screen cancels that task.
    void viewDidAppear();
    void viewDidDisappear();
    // "Regenerate": a collection nothing cancels.
    void regenerate();

    // The two actions on the report's text.
    void copyReport(ReportPasteboard& pasteboard);
    void shareReport(ReportSavePanel& panel);
    // "lumra-diagnostics-yyyyMMdd-HHmmss.json" in local time, from the
    // report's export time (the current time without a report).
    std::string diagnosticsExportFileName() const;

    // Sets the progress line to the stage's title and the bar to progress,
    // held within 0...1.
    void enterStage(CollectionStage stage, double progress);

private:
    struct Job;

    DiagnosticsExportViewModel(Engine engine, Timing timing, BundleValueProvider bundleValue,
                               DateProvider dateProvider);

    static Task<void> runCollection(std::weak_ptr<DiagnosticsExportViewModel> weakSelf);
    static Task<void> collectReport(std::weak_ptr<DiagnosticsExportViewModel> weakSelf);
    static Task<void> pause(std::chrono::nanoseconds duration);
    // None when the work ended by itself, else the sentence for the report.
    static Task<std::optional<std::string>>
    waitForJob(std::weak_ptr<DiagnosticsExportViewModel> weakSelf, std::optional<Job> job);
    static std::optional<Job> jobOf(const std::weak_ptr<DiagnosticsExportViewModel>& weakSelf,
                                    Job (DiagnosticsExportViewModel::*make)());
    Job channelScanJob();
    Job speedTestJob();
    void beginCollection();
    // Ticks the finished stage and enters the next; false when the model is gone.
    static bool advance(const std::weak_ptr<DiagnosticsExportViewModel>& weakSelf,
                        CollectionStage finished, CollectionStage next);
    void finalizeReport(const std::optional<std::string>& channelMessage,
                        const std::optional<std::string>& speedMessage);
    // Cancels the jobs this collection waits for, if they still run.
    void cancelAwaitedJobs();
    void setActionMessage(std::string_view message, StatusColor tone);

    Published<std::optional<std::string>> m_actionMessage{std::nullopt, this};
    Published<StatusColor> m_actionMessageTone{StatusColor::secondary, this};
    Published<std::optional<DiagnosticsExportReport>> m_collectedReport{std::nullopt, this};
    Published<std::optional<std::string>> m_collectedReportJSONString{std::nullopt, this};
    Published<double> m_collectionProgress{0.0, this};
    Published<std::string> m_collectionMessage{std::string(initialCollectionMessage), this};
    Published<std::set<CollectionStage>> m_completedStages{{}, this};
    Published<bool> m_isCollectingReport{false, this};

    const Engine m_engine;
    const Timing m_timing;
    const BundleValueProvider m_bundleValue;
    const DateProvider m_dateProvider;
    std::optional<TaskHandle<void>> m_viewTask;
    std::optional<TaskHandle<void>> m_awaitedChannelScan;
    std::optional<TaskHandle<void>> m_awaitedSpeedTest;
};

} // namespace lumra
