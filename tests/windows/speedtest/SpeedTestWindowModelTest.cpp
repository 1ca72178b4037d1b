#include "windows/speedtest/viewmodel/SpeedTestWindowModel.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using Grade = BufferbloatGrade;
const NumberSeparators english{};
const NumberSeparators german{.decimalSeparator = ",", .groupSeparator = ".", .minusSign = "-"};
const std::string dash = "\u2014";

SpeedTestWindowModel modelOf(const SpeedTestWindowInput& input,
                             const NumberSeparators& symbols = english) {
    return speedTestWindowModel(input, symbols, [](auto) { return std::string("2:05 PM"); });
}

SpeedTestWindowInput completedInput() {
    return SpeedTestWindowInput{
        .isRunning = false,
        .phase = SpeedTestPhase::completed,
        .progress = 1.0,
        .latestResultTimestamp = std::chrono::system_clock::time_point{},
        .downloadMbps = 94.56,
        .uploadMbps = 91.04,
        .baselineLatencyMilliseconds = 18.2,
        .downloadLoadedLatencyMilliseconds = 45.0,
        .uploadLoadedLatencyMilliseconds = 120.0,
        .downloadBufferbloatRatio = 2.4725,
        .uploadBufferbloatRatio = 6.5934,
        .downloadBufferbloatGrade = Grade::b,
        .uploadBufferbloatGrade = Grade::f,
    };
}

TEST(SpeedTestWindowModelTest, EmptyBeforeAnyTest) {
    const auto model = modelOf({});
    EXPECT_EQ(model.layout, SpeedTestLayout::empty);
    EXPECT_FALSE(model.showsHeaderButton);
    EXPECT_EQ(model.buttonTitle, "Run Test");
    EXPECT_EQ(model.buttonAction, SpeedTestButtonAction::start);
    EXPECT_FALSE(model.showsStatusBlock);
    EXPECT_EQ(model.badge, std::nullopt);
}

TEST(SpeedTestWindowModelTest, JustStartedShowsDashesAndCapturesTheBaseline) {
    const auto model = modelOf({.isRunning = true, .phase = SpeedTestPhase::download});
    EXPECT_EQ(model.layout, SpeedTestLayout::results);
    EXPECT_TRUE(model.showsHeaderButton);
    EXPECT_EQ(model.buttonTitle, "Cancel");
    EXPECT_EQ(model.buttonAction, SpeedTestButtonAction::cancelRunningTask);
    EXPECT_TRUE(model.showsStatusBlock);
    EXPECT_EQ(model.statusText, "Capturing baseline latency...");
    EXPECT_EQ(model.percentText, "0%");
    EXPECT_EQ(model.badge, std::nullopt);
    EXPECT_EQ(model.downloadTile,
              (SpeedTestMetricTileModel{"Download", "arrow.down", dash, StatusColor::green}));
    EXPECT_EQ(model.uploadTile,
              (SpeedTestMetricTileModel{"Upload", "arrow.up", dash, StatusColor::red}));
    for (const auto& box : model.latencyBoxes)
        EXPECT_EQ(box.value, dash);
    EXPECT_EQ(model.latencyBoxes[0].title, "Baseline");
    EXPECT_EQ(model.latencyBoxes[1].title, "Download Load");
    EXPECT_EQ(model.latencyBoxes[2].title, "Upload Load");
    for (const auto& tile : model.gradeTiles) {
        EXPECT_EQ(tile.letter, dash);
        EXPECT_EQ(tile.letterTint, StatusColor::muted);
        EXPECT_EQ(tile.ratioText, "ratio unavailable");
    }
    EXPECT_EQ(model.insightRows[0].text, "Download lag under load: collecting sample...");
    EXPECT_EQ(model.insightRows[1].text, "Upload lag under load: collecting sample...");
    EXPECT_EQ(model.lastTestedText, "Last tested at " + dash);
}

TEST(SpeedTestWindowModelTest, StatusLineByProgressBaselineAndPhase) {
    struct Case {
        SpeedTestPhase phase;
        double progress;
        std::optional<double> baseline;
        const char* status;
    };
    const Case cases[] = {
        {SpeedTestPhase::download, 0.0, std::nullopt, "Capturing baseline latency..."},
        {SpeedTestPhase::download, 0.0, 17.0, "Running download phase..."},
        {SpeedTestPhase::download, 0.001, std::nullopt, "Running download phase..."},
        {SpeedTestPhase::download, 0.3, 17.0, "Running download phase..."},
        {SpeedTestPhase::upload, 0.5, std::nullopt, "Running upload phase..."},
        {SpeedTestPhase::upload, 0.75, 17.0, "Running upload phase..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        const auto model = modelOf({.isRunning = true,
                                    .phase = c.phase,
                                    .progress = c.progress,
                                    .baselineLatencyMilliseconds = c.baseline});
        EXPECT_TRUE(model.showsStatusBlock);
        EXPECT_EQ(model.statusText, c.status);
    }
}

TEST(SpeedTestWindowModelTest, PercentIsWholeWithTiesToEven) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0%"},  {0.004, "0%"},  {0.125, "12%"},  {0.375, "38%"},
        {0.5, "50%"}, {0.625, "62%"}, {0.996, "100%"}, {1.0, "100%"},
    };
    for (const auto& [progress, text] : cases) {
        EXPECT_EQ(progressPercentText(progress, english), text) << progress;
        EXPECT_EQ(progressPercentText(progress, german), text) << progress;
    }
}

TEST(SpeedTestWindowModelTest, CompletedShowsFiguresGradesBadgeAndTime) {
    const auto model = modelOf(completedInput());
    EXPECT_EQ(model.layout, SpeedTestLayout::results);
    EXPECT_EQ(model.buttonTitle, "Retest");
    EXPECT_EQ(model.buttonAction, SpeedTestButtonAction::start);
    EXPECT_FALSE(model.showsStatusBlock);
    EXPECT_EQ(model.badge, (SpeedTestBadge{"Completed", StatusColor::green}));
    EXPECT_EQ(model.downloadTile.value, "94.6 Mbps");
    EXPECT_EQ(model.uploadTile.value, "91.0 Mbps");
    EXPECT_EQ(model.latencyBoxes[0].value, "18 ms");
    EXPECT_EQ(model.latencyBoxes[1].value, "45 ms");
    EXPECT_EQ(model.latencyBoxes[2].value, "120 ms");
    EXPECT_EQ(model.gradeTiles[0],
              (SpeedTestGradeTileModel{"Download", "B", StatusColor::green, "2.47x baseline"}));
    EXPECT_EQ(model.gradeTiles[1],
              (SpeedTestGradeTileModel{"Upload", "F", StatusColor::red, "6.59x baseline"}));
    EXPECT_EQ(model.insightRows[0],
              (SpeedTestInsightRowModel{
                  "arrow.down", StatusColor::green,
                  "Download lag under load: 18ms -> 45ms (grade B, minimal bufferbloat)."}));
    EXPECT_EQ(model.insightRows[1],
              (SpeedTestInsightRowModel{
                  "arrow.up", StatusColor::red,
                  "Upload lag under load: 18ms -> 120ms (grade F, severe bufferbloat)."}));
    EXPECT_EQ(model.lastTestedText, "Last tested at 2:05 PM.");

    const auto inGerman = modelOf(completedInput(), german);
    EXPECT_EQ(inGerman.downloadTile.value, "94,6 Mbps");
    EXPECT_EQ(inGerman.gradeTiles[0].ratioText, "2,47x baseline");
}

TEST(SpeedTestWindowModelTest, BadgeOfEachPhase) {
    EXPECT_EQ(phaseBadge(SpeedTestPhase::idle), std::nullopt);
    EXPECT_EQ(phaseBadge(SpeedTestPhase::download), std::nullopt);
    EXPECT_EQ(phaseBadge(SpeedTestPhase::upload), std::nullopt);
    EXPECT_EQ(phaseBadge(SpeedTestPhase::completed),
              (SpeedTestBadge{"Completed", StatusColor::green}));
    EXPECT_EQ(phaseBadge(SpeedTestPhase::cancelled),
              (SpeedTestBadge{"Cancelled", StatusColor::orange}));
    EXPECT_EQ(phaseBadge(SpeedTestPhase::failed), (SpeedTestBadge{"Failed", StatusColor::red}));
}

TEST(SpeedTestWindowModelTest, CancelledDuringUploadKeepsValuesWithoutAResult) {
    auto input = completedInput();
    input.phase = SpeedTestPhase::cancelled;
    input.progress = 0.0;
    input.latestResultTimestamp.reset();
    input.uploadMbps.reset();
    input.uploadLoadedLatencyMilliseconds.reset();
    input.uploadBufferbloatRatio.reset();
    input.uploadBufferbloatGrade.reset();
    const auto model = modelOf(input);
    EXPECT_EQ(model.layout, SpeedTestLayout::results);
    EXPECT_EQ(model.buttonTitle, "Retest");
    EXPECT_EQ(model.badge, (SpeedTestBadge{"Cancelled", StatusColor::orange}));
    EXPECT_EQ(model.lastTestedText, "Last tested at " + dash);
    EXPECT_EQ(model.uploadTile.value, dash);
    EXPECT_EQ(model.insightRows[1].text, "Upload lag under load: sample unavailable for this run.");
    EXPECT_EQ(model.insightRows[1].indicatorTint, StatusColor::muted);
}

TEST(SpeedTestWindowModelTest, FailedWithNothingMeasuredIsTheEmptyLayoutWithItsBadge) {
    const auto model = modelOf({.phase = SpeedTestPhase::failed});
    EXPECT_EQ(model.layout, SpeedTestLayout::empty);
    EXPECT_EQ(model.badge, (SpeedTestBadge{"Failed", StatusColor::red}));
    EXPECT_EQ(model.buttonTitle, "Run Test");
}

TEST(SpeedTestWindowModelTest, UploadPhaseFinalizesTheDownloadRowOnly) {
    const auto withLoaded = modelOf({.isRunning = true,
                                     .phase = SpeedTestPhase::upload,
                                     .progress = 0.6,
                                     .downloadMbps = 90.0,
                                     .baselineLatencyMilliseconds = 20.0,
                                     .downloadLoadedLatencyMilliseconds = 50.0,
                                     .downloadBufferbloatRatio = 2.5,
                                     .downloadBufferbloatGrade = Grade::b});
    EXPECT_EQ(withLoaded.insightRows[0].text,
              "Download lag under load: 20ms -> 50ms (grade B, minimal bufferbloat).");
    EXPECT_EQ(withLoaded.insightRows[1].text, "Upload lag under load: collecting sample...");
    EXPECT_EQ(withLoaded.statusText, "Running upload phase...");
    EXPECT_EQ(withLoaded.percentText, "60%");

    // Every baseline probe failed: the finalized row has no sample.
    const auto noBaseline = modelOf({.isRunning = true,
                                     .phase = SpeedTestPhase::upload,
                                     .progress = 0.6,
                                     .downloadMbps = 90.0,
                                     .downloadLoadedLatencyMilliseconds = 50.0});
    EXPECT_EQ(noBaseline.insightRows[0].text,
              "Download lag under load: sample unavailable for this run.");
    EXPECT_EQ(noBaseline.insightRows[1].text, "Upload lag under load: collecting sample...");
    EXPECT_EQ(noBaseline.gradeTiles[0].letter, dash);
    EXPECT_EQ(noBaseline.gradeTiles[0].ratioText, "ratio unavailable");
}

TEST(SpeedTestWindowModelTest, InsightSentenceOfEveryGradeAndMissingPiece) {
    struct Case {
        const char* label;
        std::optional<double> baseline;
        std::optional<double> loaded;
        bool finalized;
        std::optional<Grade> grade;
        const char* english;
        const char* inGerman;
    };
    const Case cases[] = {
        {"download", 18.2, 45.0, false, Grade::a,
         "Download lag under load: 18ms -> 45ms (grade A, minimal bufferbloat).",
         "Download lag under load: 18ms -> 45ms (grade A, minimal bufferbloat)."},
        {"upload", 18.2, 60.0, true, Grade::c,
         "Upload lag under load: 18ms -> 60ms (grade C, noticeable bufferbloat).",
         "Upload lag under load: 18ms -> 60ms (grade C, noticeable bufferbloat)."},
        {"upload", 10.5, 1234.0, true, Grade::f,
         "Upload lag under load: 10ms -> 1,234ms (grade F, severe bufferbloat).",
         "Upload lag under load: 10ms -> 1.234ms (grade F, severe bufferbloat)."},
        {"download", 20.0, 30.0, true, std::nullopt,
         "Download lag under load: 20ms -> 30ms (grade unavailable).",
         "Download lag under load: 20ms -> 30ms (grade unavailable)."},
        {"download", std::nullopt, 30.0, true, std::nullopt,
         "Download lag under load: sample unavailable for this run.",
         "Download lag under load: sample unavailable for this run."},
        {"upload", 20.0, std::nullopt, false, std::nullopt,
         "Upload lag under load: collecting sample...",
         "Upload lag under load: collecting sample..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.english);
        EXPECT_EQ(
            bufferbloatInsightText(c.label, c.baseline, c.loaded, c.finalized, c.grade, english),
            c.english);
        EXPECT_EQ(
            bufferbloatInsightText(c.label, c.baseline, c.loaded, c.finalized, c.grade, german),
            c.inGerman);
    }
}

TEST(SpeedTestWindowModelTest, GradeLettersColoursAndRatios) {
    EXPECT_EQ(gradeLetter(Grade::a), "A");
    EXPECT_EQ(gradeLetter(Grade::c), "C");
    EXPECT_EQ(gradeLetter(std::nullopt), dash);
    EXPECT_EQ(gradeTint(Grade::a), StatusColor::green);
    EXPECT_EQ(gradeTint(Grade::b), StatusColor::green);
    EXPECT_EQ(gradeTint(Grade::c), StatusColor::orange);
    EXPECT_EQ(gradeTint(Grade::f), StatusColor::red);
    EXPECT_EQ(gradeTint(std::nullopt), StatusColor::muted);

    EXPECT_EQ(baselineRatioText(1.8512, english), "1.85x baseline");
    EXPECT_EQ(baselineRatioText(2.0, english), "2.00x baseline");
    EXPECT_EQ(baselineRatioText(1.8512, german), "1,85x baseline");
    EXPECT_EQ(baselineRatioText(std::nullopt, english), "ratio unavailable");
}

} // namespace
} // namespace lumra
