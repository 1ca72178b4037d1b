#include "concurrency/RunLoop.h"
#include "export/report/DiagnosticsReportWriter.h"
#include "probes/speedtest/SpeedTestRunnerError.h"
#include "tests/export/ExportRig.h"
#include "tests/export/ReportSamples.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using Stages = std::set<CollectionStage>;

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        model = DiagnosticsExportViewModel::create(rig.engine(), {}, bundle, {});
    }

    std::chrono::nanoseconds now() { return loop.clock().uptimeNow().time_since_epoch(); }

    // The parsed text of the collected report, kept for the schema check.
    Json collectedJson(const std::string& name) {
        const auto& text = model->collectedReportJSONString().get();
        EXPECT_TRUE(text.has_value());
        if (!text)
            return {};
        test::keepGeneratedReport("collection-" + name, *text);
        return Json::parse(*text);
    }

    // Runs a collection that nothing cancels to its end.
    void collect() {
        model->regenerate();
        loop.advanceBy(200s);
        ASSERT_TRUE(model->isReportReady());
    }

    VirtualClockRunLoop loop;
    test::ExportRig rig;
    std::map<std::string, std::string> bundleValues{{"CFBundleShortVersionString", "1.4.0"},
                                                    {"CFBundleVersion", "42"}};
    DiagnosticsExportViewModel::BundleValueProvider bundle =
        [this](std::string_view key) -> std::optional<std::string> {
        auto found = bundleValues.find(std::string(key));
        return found == bundleValues.end() ? std::nullopt : std::optional(found->second);
    };
    std::shared_ptr<DiagnosticsExportViewModel> model;
};

TEST_F(CollectionTest, ANewModelWaitsWithItsInitialState) {
    EXPECT_FALSE(model->isCollectingReport().get());
    EXPECT_FALSE(model->collectedReport().get());
    EXPECT_FALSE(model->collectedReportJSONString().get());
    EXPECT_EQ(model->collectionMessage().get(), "Collecting metrics...");
    EXPECT_EQ(model->collectionProgress().get(), 0.0);
    EXPECT_TRUE(model->completedStages().get().empty());
    EXPECT_FALSE(model->actionMessage().get());
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::secondary);
}

TEST_F(CollectionTest, StagesTableAndRawValues) {
    const std::vector<std::pair<std::string_view, double>> expected{
        {"Collecting metrics", 0.06},         {"Collecting Wi-Fi metrics", 0.20},
        {"Collecting latency metrics", 0.34}, {"Collecting channel info", 0.54},
        {"Running speed test", 0.76},         {"Finalizing report", 0.92}};
    for (std::size_t i = 0; i < allCollectionStages.size(); ++i) {
        const CollectionStage stage = allCollectionStages[i];
        EXPECT_EQ(rawValue(stage), static_cast<int>(i));
        EXPECT_EQ(collectionStageFromRawValue(static_cast<int>(i)), stage);
        EXPECT_EQ(title(stage), expected[i].first);
        EXPECT_EQ(entryProgress(stage), expected[i].second);
    }
    for (int raw : {-1, 6, 100})
        EXPECT_FALSE(collectionStageFromRawValue(raw)) << raw;
}

TEST_F(CollectionTest, EnterStageHoldsTheProgressWithinZeroAndOne) {
    for (auto [given, shown] : std::vector<std::pair<double, double>>{
             {-0.5, 0.0}, {0.0, 0.0}, {0.54, 0.54}, {1.0, 1.0}, {1.7, 1.0}, {std::nan(""), 0.0}}) {
        model->enterStage(CollectionStage::speed, given);
        EXPECT_EQ(model->collectionProgress().get(), shown) << given;
        EXPECT_EQ(model->collectionMessage().get(), "Running speed test...");
    }
}

TEST_F(CollectionTest, WalksTheSixStagesTickingEachOneStageLate) {
    struct Step {
        std::string message;
        double progress;
        Stages completed;
        std::chrono::nanoseconds at;
    };
    std::vector<Step> steps;
    auto watch = model->collectionProgress().subscribe([&](double progress) {
        steps.push_back(
            {model->collectionMessage().get(), progress, model->completedStages().get(), now()});
    });
    steps.clear();
    std::vector<std::string> states;
    auto readiness = model->collectedReport().subscribe([&](const auto& report) {
        states.push_back(fmt::format("report={} collecting={} stages={}", report.has_value(),
                                     model->isCollectingReport().get(),
                                     model->completedStages().get().size()));
    });
    states.clear();

    const auto start = now();
    auto task = spawn(mainActor(), [this] { return model->runCollectionIfIdle(); });
    loop.advanceBy(200s);
    ASSERT_TRUE(task.isFinished());

    using S = CollectionStage;
    const std::vector<Step> expected{
        {"Collecting metrics...", 0.06, {}, {}},
        {"Collecting Wi-Fi metrics...", 0.20, {S::metrics}, {}},
        {"Collecting latency metrics...", 0.34, {S::metrics, S::wifi}, {}},
        {"Collecting channel info...", 0.54, {S::metrics, S::wifi, S::latency}, {}},
        {"Running speed test...", 0.76, {S::metrics, S::wifi, S::latency, S::channel}, {}},
        {"Finalizing report...", 0.92, {S::metrics, S::wifi, S::latency, S::channel, S::speed}, {}},
        {"Finalizing report...",
         1.0,
         {S::metrics, S::wifi, S::latency, S::channel, S::speed, S::finalize},
         {}},
    };
    ASSERT_EQ(steps.size(), expected.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        // The message of a step is read before it is stored: it lags by one.
        EXPECT_EQ(steps[i].progress, expected[i].progress);
        EXPECT_EQ(steps[i].completed, expected[i].completed);
    }
    EXPECT_EQ(model->collectionMessage().get(), "Report ready.");
    // Three pauses of 180 ms before the channel stage begins.
    EXPECT_EQ(steps[1].at - start, 180ms);
    EXPECT_EQ(steps[2].at - start, 360ms);
    EXPECT_EQ(steps[3].at - start, 540ms);
    EXPECT_EQ(states, (std::vector<std::string>{"report=false collecting=true stages=0",
                                                "report=true collecting=true stages=5"}))
        << "cleared at the start; set first at the end, before the last stage is ticked";
    EXPECT_FALSE(model->isCollectingReport().get());
    EXPECT_EQ(model->collectionProgress().get(), 1.0);
    EXPECT_EQ(model->completedStages().get().size(), 6u);
}

TEST_F(CollectionTest, MessagesFollowTheStagesAsTheyAreEntered) {
    std::vector<std::string> messages;
    auto watch = model->collectionMessage().subscribe(
        [&](const std::string& message) { messages.push_back(message); });
    messages.clear();
    collect();
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Collecting metrics...", "Collecting Wi-Fi metrics...",
                            "Collecting latency metrics...", "Collecting channel info...",
                            "Running speed test...", "Finalizing report...", "Report ready."}));
}

TEST_F(CollectionTest, StartsAScanAndATestWhenNoneRunsAndReportsThem) {
    rig.startMonitoring();
    loop.advanceBy(5s);
    collect();
    EXPECT_EQ(rig.scanner->calls, 3);
    EXPECT_EQ(rig.speedRunner->downloads, 1);
    const Json report = collectedJson("started-jobs");
    EXPECT_EQ(report["channelScan"]["status"], "available");
    EXPECT_EQ(report["channelScan"]["data"]["passCount"], 3);
    EXPECT_FALSE(report["channelScan"].contains("errorMessage"));
    EXPECT_EQ(report["speedTest"]["status"], "available");
    EXPECT_EQ(report["speedTest"]["phase"], "completed");
    EXPECT_EQ(report["speedTest"]["data"]["downloadMbps"], 245.5);
    EXPECT_EQ(report["app"], (Json{{"name", "Lumra"}, {"version", "1.4.0"}, {"build", "42"}}));
    EXPECT_EQ(report["runtime"]["monitoringEnabled"], true);
    EXPECT_EQ(report["wifi"]["status"], "available");
    EXPECT_EQ(report["connectionPressure"]["data"]["totalCount"], 4);
    EXPECT_EQ(report["captivePortal"]["status"], "available");
    EXPECT_EQ(report["exportedAt"], rfc3339UtcText(model->collectedReport().get()->exportedAt));
}

TEST_F(CollectionTest, JoinsAScanAndATestAlreadyRunningWithoutRestartingThem) {
    rig.channelScan->startScan();
    rig.speedTest->start();
    const auto scanTask = rig.channelScan->runningTask();
    const auto speedTask = rig.speedTest->runningTask();
    loop.advanceBy(100ms);
    collect();
    EXPECT_EQ(rig.scanner->calls, 3) << "one scan of three passes";
    EXPECT_EQ(rig.speedRunner->downloads, 1);
    EXPECT_FALSE(scanTask->isCancelled());
    EXPECT_FALSE(speedTask->isCancelled());
    EXPECT_EQ(collectedJson("joined-jobs")["speedTest"]["phase"], "completed");
}

TEST_F(CollectionTest, AScanStillRunningAtTwentyFourSecondsIsCancelledAndTimesOut) {
    // A previous scan's result stays the report's data.
    collect();
    const auto previous = rig.channelScan->latestResult().get();
    ASSERT_TRUE(previous);
    rig.scanner->passDuration = 60s;

    model->regenerate();
    loop.advanceBy(540ms);
    ASSERT_EQ(model->collectionMessage().get(), "Collecting channel info...");
    const auto scanTask = rig.channelScan->runningTask();
    ASSERT_TRUE(scanTask);
    const auto stageStart = now();
    loop.advanceBy(24s - 1ms);
    EXPECT_FALSE(scanTask->isCancelled());
    loop.advanceBy(1ms);
    EXPECT_TRUE(scanTask->isCancelled())
        << "cancelled at the deadline, " << (now() - stageStart).count();
    EXPECT_EQ(model->collectionMessage().get(), "Running speed test...");
    loop.advanceBy(200s);
    const Json report = collectedJson("scan-timed-out");
    EXPECT_EQ(report["channelScan"]["errorMessage"], "Channel scan timed out.");
    EXPECT_EQ(report["channelScan"]["status"], "available");
    EXPECT_EQ(report["channelScan"]["data"]["capturedAt"], rfc3339UtcText(previous->timestamp));
}

TEST_F(CollectionTest, AJoinedScanFromTheScanWindowIsCancelledAtTheDeadlineCountedFromTheStage) {
    rig.scanner->passDuration = 60s;
    rig.channelScan->startScan(); // from the Channel Scan window
    const auto scanTask = rig.channelScan->runningTask();
    collect();
    EXPECT_TRUE(scanTask->isCancelled());
    const Json report = collectedJson("joined-scan-timed-out");
    EXPECT_EQ(report["channelScan"],
              (Json{{"status", "unavailable"}, {"errorMessage", "Channel scan timed out."}}));
}

TEST_F(CollectionTest, ATestStillRunningAtNinetyFiveSecondsIsCancelledAndTimesOut) {
    rig.speedRunner->chunkDuration = 30s;
    std::optional<std::chrono::nanoseconds> stageStart;
    auto watch = model->collectionMessage().subscribe([&](const std::string& message) {
        if (message == "Running speed test...")
            stageStart = now();
    });
    model->regenerate();
    loop.runUntil([&] { return stageStart.has_value(); }, 5s);
    while (!stageStart)
        loop.advanceBy(1ms);
    const auto testTask = rig.speedTest->runningTask();
    ASSERT_TRUE(testTask);
    loop.advanceBy(95s - 1ms);
    EXPECT_FALSE(testTask->isCancelled());
    loop.advanceBy(1ms);
    EXPECT_TRUE(testTask->isCancelled()) << "at 95 s from the stage's start";
    ASSERT_TRUE(model->isReportReady());
    const Json report = collectedJson("test-timed-out");
    EXPECT_EQ(report["speedTest"]["errorMessage"], "Speed test timed out.");
    EXPECT_EQ(report["speedTest"]["status"], "unavailable")
        << "starting a test cleared its last result";
    EXPECT_EQ(report["speedTest"]["phase"], "download")
        << "the phase the monitor showed at finalisation";
}

TEST_F(CollectionTest, AFailedJobGivesNoStageMessageAndTheReportTakesTheMonitorsSentence) {
    rig.scanner->error = std::make_exception_ptr(std::runtime_error("The radio is off."));
    rig.speedRunner->downloadError =
        std::make_exception_ptr(SpeedTestRunnerError::noDataTransferred());
    const auto start = now();
    std::optional<std::chrono::nanoseconds> readyAt;
    auto watch = model->collectedReport().subscribe([&](const auto& report) {
        if (report)
            readyAt = now();
    });
    collect();
    ASSERT_TRUE(readyAt);
    EXPECT_LT(*readyAt - start, 10s) << "no deadline was waited out";
    const Json report = collectedJson("failed-jobs");
    EXPECT_EQ(report["channelScan"],
              (Json{{"status", "unavailable"},
                    {"errorMessage", "Channel scan failed: The radio is off."}}));
    EXPECT_EQ(report["speedTest"], (Json{{"phase", "failed"},
                                         {"status", "unavailable"},
                                         {"errorMessage", "Speed test transferred no data."}}));
}

TEST_F(CollectionTest, TextThatIsNotUtf8CostsOnlyItsOwnBytes) {
    rig.scanner->error = std::make_exception_ptr(std::runtime_error("bad bytes \xff\xfe"));
    collect();
    const auto& text = model->collectedReportJSONString().get();
    ASSERT_TRUE(text);
    ASSERT_NE(*text, std::string(diagnosticsExportFallbackText));
    const Json written = Json::parse(*text);
    EXPECT_EQ(written["channelScan"]["errorMessage"],
              "Channel scan failed: bad bytes \uFFFD\uFFFD");
    EXPECT_EQ(written["app"]["name"], "Lumra") << "every other section is kept";
    EXPECT_TRUE(written.contains("latency"));
    ASSERT_TRUE(model->collectedReport().get());
    EXPECT_EQ(model->collectedReport().get()->channelScan.errorMessage,
              "Channel scan failed: bad bytes \xff\xfe");
    EXPECT_EQ(model->collectionMessage().get(), "Report ready.");
}

TEST_F(CollectionTest, AMissingVersionLeavesOnlyTheVersionOut) {
    bundleValues.erase("CFBundleShortVersionString");
    collect();
    EXPECT_EQ(collectedJson("no-version")["app"], (Json{{"name", "Lumra"}, {"build", "42"}}));
}

// Cancelling the window's collection in each stage: it still finalises,
// starts no job after the cancellation, cancels only what it waited for and
// never reports "timed out".
TEST_F(CollectionTest, ClosingTheWindowInEveryStageStillFinalisesWithoutStartingOrTimingOut) {
    struct Case {
        const char* name;
        std::chrono::milliseconds closeAfter;
        int scans;
        int downloads;
    };
    for (const Case& c : std::vector<Case>{{"metrics", 10ms, 0, 0},
                                           {"wifi", 200ms, 0, 0},
                                           {"latency", 400ms, 0, 0},
                                           {"channel", 2000ms, 2, 0},
                                           {"speed", 6000ms, 3, 1}}) {
        SCOPED_TRACE(c.name);
        test::ExportRig stageRig;
        stageRig.scanner->passDuration = 1s;
        stageRig.speedRunner->chunkDuration = 30s;
        auto stageModel = DiagnosticsExportViewModel::create(stageRig.engine(), {}, bundle, {});
        stageModel->viewDidAppear();
        loop.advanceBy(c.closeAfter);
        const auto scanTask = stageRig.channelScan->runningTask();
        const auto testTask = stageRig.speedTest->runningTask();
        stageModel->viewDidDisappear();
        const auto closedAt = now();
        loop.runUntilIdle();
        ASSERT_TRUE(stageModel->isReportReady());
        EXPECT_LT(now() - closedAt, 1s);
        if (scanTask) {
            EXPECT_TRUE(scanTask->isCancelled());
        }
        if (testTask) {
            EXPECT_TRUE(testTask->isCancelled());
        }
        loop.advanceBy(120s);
        EXPECT_EQ(stageRig.scanner->calls, c.scans);
        EXPECT_EQ(stageRig.speedRunner->downloads, c.downloads);
        const std::string text = *stageModel->collectedReportJSONString().get();
        test::keepGeneratedReport(std::string("closed-in-") + c.name, text);
        EXPECT_EQ(text.find("timed out"), std::string::npos);
        EXPECT_EQ(stageModel->collectionMessage().get(), "Report ready.");
    }
}

TEST_F(CollectionTest, ClosingCancelsOnlyTheJobItWaitsForNotOneTheUserStartedMeanwhile) {
    rig.speedRunner->chunkDuration = 30s;
    model->viewDidAppear();
    loop.advanceBy(6s);
    ASSERT_EQ(model->collectionMessage().get(), "Running speed test...");
    const auto testTask = rig.speedTest->runningTask();
    rig.scanner->passDuration = 60s;
    rig.channelScan->startScan(); // from the Channel Scan window
    const auto userScan = rig.channelScan->runningTask();

    model->viewDidDisappear();
    loop.advanceBy(1s);
    ASSERT_TRUE(model->isReportReady());
    EXPECT_TRUE(testTask->isCancelled());
    EXPECT_FALSE(userScan->isCancelled());
    EXPECT_TRUE(rig.channelScan->isScanning().get());
}

TEST_F(CollectionTest, ACollectionStartedByRegenerateIsNotCancelledByClosing) {
    rig.speedRunner->chunkDuration = 2s;
    model->regenerate();
    loop.advanceBy(6s);
    const auto testTask = rig.speedTest->runningTask();
    ASSERT_TRUE(testTask);
    model->viewDidDisappear();
    loop.advanceBy(60s);
    EXPECT_FALSE(testTask->isCancelled());
    EXPECT_EQ(collectedJson("regenerate-survives-close")["speedTest"]["phase"], "completed");
}

TEST_F(CollectionTest, ClosingAfterTheCollectionEndedCancelsNothing) {
    model->viewDidAppear();
    loop.advanceBy(30s);
    ASSERT_TRUE(model->isReportReady());
    rig.channelScan->startScan();
    const auto userScan = rig.channelScan->runningTask();
    model->viewDidDisappear();
    loop.runUntilIdle();
    EXPECT_FALSE(userScan->isCancelled());
}

TEST_F(CollectionTest, OneCollectionAtATime) {
    model->viewDidAppear();
    loop.advanceBy(100ms);
    auto second = spawn(mainActor(), [this] { return model->runCollectionIfIdle(); });
    loop.runUntilIdle();
    EXPECT_TRUE(second.isFinished()) << "returns at once";
    model->regenerate();
    loop.advanceBy(30s);
    EXPECT_EQ(rig.scanner->calls, 3);
    EXPECT_EQ(rig.speedRunner->downloads, 1);
    EXPECT_TRUE(model->isReportReady());
}

TEST_F(CollectionTest, ShowingTheWindowAgainAfterClosingItCollectsAgain) {
    model->viewDidAppear();
    model->viewDidAppear(); // a second show while shown starts nothing
    loop.advanceBy(600ms);
    const auto firstScan = rig.channelScan->runningTask();
    model->viewDidDisappear();
    loop.runUntilIdle();
    ASSERT_TRUE(model->isReportReady()) << "the cancelled collection finalised";
    EXPECT_TRUE(firstScan->isCancelled());
    model->viewDidAppear();
    loop.runUntilIdle();
    EXPECT_TRUE(model->isCollectingReport().get());
    loop.advanceBy(60s);
    ASSERT_TRUE(model->isReportReady());
    EXPECT_EQ(rig.speedRunner->downloads, 1) << "only the second collection ran a test";
    // The cancelled scan was still finishing its pass: the second collection
    // joined it rather than start another, and reports how it ended.
    EXPECT_EQ(collectedJson("shown-again")["channelScan"]["errorMessage"],
              "Channel scan cancelled.");
}

TEST_F(CollectionTest, RegenerateClearsTheReportTextAndMessageBeforeTheFirstStage) {
    collect();
    test::TempDir dir;
    struct Panel final : ReportSavePanel {
        std::optional<std::filesystem::path> answer;
        void begin(Request,
                   std::function<void(std::optional<std::filesystem::path>)> completion) override {
            completion(answer);
        }
    } panel;
    panel.answer = std::filesystem::path(dir.path()) / "r.json";
    model->shareReport(panel);
    ASSERT_TRUE(model->actionMessage().get());

    std::vector<std::string> order;
    auto a = model->collectedReport().subscribe(
        [&](const auto& r) { order.push_back(r ? "report" : "no report"); });
    auto b = model->actionMessage().subscribe(
        [&](const auto& m) { order.push_back(m ? "message" : "no message"); });
    auto c =
        model->collectionMessage().subscribe([&](const std::string& m) { order.push_back(m); });
    order.clear();
    model->regenerate();
    loop.runUntilIdle();
    EXPECT_EQ(order,
              (std::vector<std::string>{"no message", "no report", "Collecting metrics..."}));
    EXPECT_FALSE(model->collectedReportJSONString().get());
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::secondary);
}

// Copy and save, with a scripted clipboard and dialog.
class RecordingPasteboard final : public ReportPasteboard {
public:
    std::optional<std::string> contents = std::string("earlier");
    bool accepts = true;
    std::vector<std::string> calls;
    void clearContents() override {
        calls.push_back("clear");
        contents.reset();
    }
    bool setString(const std::string& text) override {
        calls.push_back("set");
        if (accepts)
            contents = text;
        return accepts;
    }
};

class HeldSavePanel final : public ReportSavePanel {
public:
    std::vector<Request> requests;
    std::function<void(std::optional<std::filesystem::path>)> completion;
    void begin(Request request,
               std::function<void(std::optional<std::filesystem::path>)> done) override {
        requests.push_back(std::move(request));
        completion = std::move(done);
    }
};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(CollectionTest, CopyAndSaveBeforeAnyReportSayItIsStillBeingCollected) {
    RecordingPasteboard pasteboard;
    HeldSavePanel panel;
    model->copyReport(pasteboard);
    EXPECT_EQ(model->actionMessage().get(), "Diagnostics report is still being collected.");
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::secondary);
    EXPECT_TRUE(pasteboard.calls.empty());
    EXPECT_EQ(pasteboard.contents, "earlier");
    model->shareReport(panel);
    EXPECT_TRUE(panel.requests.empty()) << "no dialog opens";
}

TEST_F(CollectionTest, CopyClearsTheClipboardThenPutsTheText) {
    collect();
    RecordingPasteboard pasteboard;
    std::vector<std::string> order;
    auto a = model->actionMessage().subscribe(
        [&](const auto& m) { order.push_back(m.value_or("none")); });
    auto b = model->actionMessageTone().subscribe(
        [&](StatusColor t) { order.push_back(fmt::format("tone {}", static_cast<int>(t))); });
    order.clear();
    model->copyReport(pasteboard);
    EXPECT_EQ(pasteboard.calls, (std::vector<std::string>{"clear", "set"}));
    EXPECT_EQ(pasteboard.contents, model->collectedReportJSONString().get());
    EXPECT_EQ(order, (std::vector<std::string>{
                         "Diagnostics report copied to clipboard.",
                         fmt::format("tone {}", static_cast<int>(StatusColor::green))}))
        << "text first, colour second";

    RecordingPasteboard refusing;
    refusing.accepts = false;
    model->copyReport(refusing);
    EXPECT_EQ(model->actionMessage().get(), "Unable to copy diagnostics report.");
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::red);
    EXPECT_FALSE(refusing.contents) << "left empty";
}

TEST_F(CollectionTest, SaveWritesTheTextCapturedAtTheClickUnderTheChosenName) {
    test::useTimeZone("Asia/Kolkata");
    collect();
    HeldSavePanel panel;
    model->shareReport(panel);
    ASSERT_EQ(panel.requests.size(), 1u);
    EXPECT_EQ(panel.requests[0].title, "Save Diagnostics Report");
    const auto exportedAt = model->collectedReport().get()->exportedAt;
    const std::string name = model->diagnosticsExportFileName();
    EXPECT_EQ(panel.requests[0].proposedFileName, name);
    const std::string shown = *model->collectedReportJSONString().get();

    // A new collection starts while the dialog is open.
    model->regenerate();
    loop.advanceBy(100ms);
    ASSERT_FALSE(model->collectedReportJSONString().get());
    test::TempDir dir;
    const auto target = std::filesystem::path(dir.path()) / "my own name.json";
    panel.completion(target);
    EXPECT_EQ(readFile(target), shown);
    EXPECT_EQ(model->actionMessage().get(), "Diagnostics report saved to my own name.json.");
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::green);
    loop.advanceBy(60s);

    // The name is the export time in local time (UTC+05:30 here).
    const std::time_t seconds = std::chrono::system_clock::to_time_t(exportedAt);
    std::tm local{};
    localtime_r(&seconds, &local);
    EXPECT_EQ(name, fmt::format("lumra-diagnostics-{:%Y%m%d-%H%M%S}.json", local));
    test::useTimeZone("UTC");
}

TEST_F(CollectionTest, TheFileNameIsTheExportTimeInLocalTime) {
    test::useTimeZone("Asia/Kolkata");
    auto fixed = DiagnosticsExportViewModel::create(rig.engine(), {}, bundle,
                                                    [] { return test::exportTime(999ms); });
    EXPECT_EQ(fixed->diagnosticsExportFileName(), "lumra-diagnostics-20260301-143507.json")
        << "without a report: now";
    fixed->regenerate();
    loop.advanceBy(30s);
    EXPECT_EQ(fixed->diagnosticsExportFileName(), "lumra-diagnostics-20260301-143507.json");
    test::useTimeZone("America/New_York");
    EXPECT_EQ(fixed->diagnosticsExportFileName(), "lumra-diagnostics-20260301-040507.json");
    HeldSavePanel first, second;
    fixed->shareReport(first);
    fixed->shareReport(second);
    EXPECT_EQ(first.requests.at(0).proposedFileName, second.requests.at(0).proposedFileName);
    test::useTimeZone("UTC");
}

TEST_F(CollectionTest, ASaveThatCannotBeWrittenFailsAndLeavesNoPartialFile) {
    collect();
    test::TempDir dir;
    const auto target = std::filesystem::path(dir.path()) / "report.json";
    std::filesystem::create_directory(target); // a directory where the file should go
    std::filesystem::create_directory(target / "inside");
    HeldSavePanel panel;
    model->shareReport(panel);
    panel.completion(target);
    EXPECT_EQ(model->actionMessage().get(), "Failed to save diagnostics report.");
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::red);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"report.json"}) << "no temporary file stays behind";
    EXPECT_TRUE(std::filesystem::is_directory(target));
}

// Saving is an editor's save: through a link, keeping a private file private.
TEST_F(CollectionTest, SavingThroughALinkReplacesTheFileItNamesAndKeepsItsMode) {
    collect();
    test::TempDir dir;
    const auto real = std::filesystem::path(dir.path()) / "private.json";
    const auto link = std::filesystem::path(dir.path()) / "report.json";
    { std::ofstream(real) << "old"; }
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    std::filesystem::create_symlink("private.json", link);
    HeldSavePanel panel;
    model->shareReport(panel);
    panel.completion(link);
    EXPECT_EQ(model->actionMessageTone().get(), StatusColor::green);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), *model->collectedReportJSONString().get());
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(CollectionTest, ADismissedDialogChangesNothing) {
    collect();
    RecordingPasteboard pasteboard;
    model->copyReport(pasteboard);
    HeldSavePanel panel;
    model->shareReport(panel);
    std::vector<std::string> changes;
    auto a = model->actionMessage().subscribe([&](const auto&) { changes.push_back("message"); });
    auto b = model->actionMessageTone().subscribe([&](StatusColor) { changes.push_back("tone"); });
    changes.clear();
    panel.completion(std::nullopt);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(model->actionMessage().get(), "Diagnostics report copied to clipboard.");
}

} // namespace
} // namespace lumra
