#include "windows/speedtest/viewmodel/SpeedTestWindowModel.h"

#include <cctype>
#include <cmath>

namespace lumra {

namespace {

bool isFinalState(SpeedTestPhase phase) {
    return phase == SpeedTestPhase::completed || phase == SpeedTestPhase::cancelled ||
           phase == SpeedTestPhase::failed;
}

std::string capitalised(std::string text) {
    bool atWordStart = true;
    for (char& c : text) {
        if (atWordStart && std::islower(static_cast<unsigned char>(c)))
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        atWordStart = c == ' ';
    }
    return text;
}

std::string severity(BufferbloatGrade grade) {
    switch (grade) {
    case BufferbloatGrade::a:
    case BufferbloatGrade::b:
        return "minimal bufferbloat";
    case BufferbloatGrade::c:
        return "noticeable bufferbloat";
    case BufferbloatGrade::f:
        break;
    }
    return "severe bufferbloat";
}

std::string wholeMilliseconds(double value, const NumberSeparators& separators) {
    return std::isfinite(value) ? formatLocalizedDecimal(value, 0, separators)
                                : std::string(kMissingValueText);
}

} // namespace

bool hasSpeedTestResults(const SpeedTestWindowInput& input) {
    return input.latestResultTimestamp || input.downloadMbps || input.uploadMbps;
}

std::string speedTestStatusText(const SpeedTestWindowInput& input) {
    if (input.progress == 0.0 && !input.baselineLatencyMilliseconds)
        return "Capturing baseline latency...";
    if (input.phase == SpeedTestPhase::download)
        return "Running download phase...";
    if (input.phase == SpeedTestPhase::upload)
        return "Running upload phase...";
    return {};
}

std::string progressPercentText(double progress, const NumberSeparators& separators) {
    return formatPercentValue(progress * 100.0, 0, separators);
}

std::optional<SpeedTestBadge> phaseBadge(SpeedTestPhase phase) {
    switch (phase) {
    case SpeedTestPhase::completed:
        return SpeedTestBadge{"Completed", StatusColor::green};
    case SpeedTestPhase::cancelled:
        return SpeedTestBadge{"Cancelled", StatusColor::orange};
    case SpeedTestPhase::failed:
        return SpeedTestBadge{"Failed", StatusColor::red};
    case SpeedTestPhase::idle:
    case SpeedTestPhase::download:
    case SpeedTestPhase::upload:
        break;
    }
    return std::nullopt;
}

std::string gradeLetter(std::optional<BufferbloatGrade> grade) {
    return grade ? std::string(rawValue(*grade)) : std::string(kMissingValueText);
}

StatusColor gradeTint(std::optional<BufferbloatGrade> grade) {
    if (!grade)
        return StatusColor::muted;
    switch (*grade) {
    case BufferbloatGrade::a:
    case BufferbloatGrade::b:
        return StatusColor::green;
    case BufferbloatGrade::c:
        return StatusColor::orange;
    case BufferbloatGrade::f:
        break;
    }
    return StatusColor::red;
}

std::string baselineRatioText(std::optional<double> ratio, const NumberSeparators& separators) {
    if (!ratio || !std::isfinite(*ratio))
        return "ratio unavailable";
    return formatLocalizedDecimal(*ratio, 2, separators) + "x baseline";
}

std::string bufferbloatInsightText(const std::string& phaseLabel,
                                   std::optional<double> baselineMilliseconds,
                                   std::optional<double> loadedMilliseconds, bool isPhaseFinalized,
                                   std::optional<BufferbloatGrade> grade,
                                   const NumberSeparators& separators) {
    const std::string prefix = capitalised(phaseLabel) + " lag under load: ";
    if (baselineMilliseconds && loadedMilliseconds) {
        const std::string gradeText =
            grade ? "grade " + gradeLetter(grade) + ", " + severity(*grade) : "grade unavailable";
        return prefix + wholeMilliseconds(*baselineMilliseconds, separators) + "ms -> " +
               wholeMilliseconds(*loadedMilliseconds, separators) + "ms (" + gradeText + ").";
    }
    if (isPhaseFinalized)
        return prefix + "sample unavailable for this run.";
    return prefix + "collecting sample...";
}

SpeedTestWindowInput speedTestWindowInput(const Engine& engine) {
    const auto& monitor = *engine.speedTestMonitor;
    const auto& result = monitor.latestResult().get();
    return SpeedTestWindowInput{
        .isRunning = monitor.isRunning().get(),
        .phase = monitor.phase().get(),
        .progress = monitor.progress().get(),
        .latestResultTimestamp = result ? std::optional(result->timestamp) : std::nullopt,
        .downloadMbps = monitor.downloadMbps().get(),
        .uploadMbps = monitor.uploadMbps().get(),
        .baselineLatencyMilliseconds = monitor.baselineLatencyMilliseconds().get(),
        .downloadLoadedLatencyMilliseconds = monitor.downloadLoadedLatencyMilliseconds().get(),
        .uploadLoadedLatencyMilliseconds = monitor.uploadLoadedLatencyMilliseconds().get(),
        .downloadBufferbloatRatio = monitor.downloadBufferbloatRatio().get(),
        .uploadBufferbloatRatio = monitor.uploadBufferbloatRatio().get(),
        .downloadBufferbloatGrade = monitor.downloadBufferbloatGrade().get(),
        .uploadBufferbloatGrade = monitor.uploadBufferbloatGrade().get(),
    };
}

void runSpeedTestButtonAction(SpeedTestButtonAction action, SpeedTestMonitor& monitor) {
    switch (action) {
    case SpeedTestButtonAction::cancelRunningTask:
        if (const auto& task = monitor.runningTask())
            task->cancel();
        return;
    case SpeedTestButtonAction::start:
        monitor.start();
        return;
    }
}

namespace {

// The lag-under-load sentence of one phase, with its arrow in the grade's tint.
SpeedTestInsightRowModel insightRow(const char* symbol, const std::string& phaseLabel,
                                    std::optional<double> baselineMilliseconds,
                                    std::optional<double> loadedMilliseconds, bool isPhaseFinalized,
                                    std::optional<BufferbloatGrade> grade,
                                    const NumberSeparators& separators) {
    return {symbol, gradeTint(grade),
            bufferbloatInsightText(phaseLabel, baselineMilliseconds, loadedMilliseconds,
                                   isPhaseFinalized, grade, separators)};
}

} // namespace

SpeedTestWindowModel speedTestWindowModel(const SpeedTestWindowInput& input,
                                          const NumberSeparators& separators,
                                          const ShortTimeFormatter& shortTime) {
    const bool hasResults = hasSpeedTestResults(input);
    const bool downloadFinalized =
        input.phase == SpeedTestPhase::upload || isFinalState(input.phase);
    const bool uploadFinalized = isFinalState(input.phase);
    const bool showsStatus = input.isRunning && (input.phase == SpeedTestPhase::download ||
                                                 input.phase == SpeedTestPhase::upload);
    return SpeedTestWindowModel{
        .layout =
            (input.isRunning || hasResults) ? SpeedTestLayout::results : SpeedTestLayout::empty,
        .showsHeaderButton = input.isRunning || hasResults,
        .buttonTitle = input.isRunning ? "Cancel" : (hasResults ? "Retest" : "Run Test"),
        .buttonAction = input.isRunning ? SpeedTestButtonAction::cancelRunningTask
                                        : SpeedTestButtonAction::start,
        .showsStatusBlock = showsStatus,
        .statusText = showsStatus ? speedTestStatusText(input) : std::string(),
        .percentText = progressPercentText(input.progress, separators),
        .progress = input.progress,
        .badge = phaseBadge(input.phase),
        .downloadTile = {"Download", "arrow.down",
                         formatMetricValue(input.downloadMbps, "Mbps", 1, separators),
                         StatusColor::green},
        .uploadTile = {"Upload", "arrow.up",
                       formatMetricValue(input.uploadMbps, "Mbps", 1, separators),
                       StatusColor::red},
        .latencyBoxes =
            {
                {"Baseline",
                 formatMetricValue(input.baselineLatencyMilliseconds, "ms", 0, separators)},
                {"Download Load",
                 formatMetricValue(input.downloadLoadedLatencyMilliseconds, "ms", 0, separators)},
                {"Upload Load",
                 formatMetricValue(input.uploadLoadedLatencyMilliseconds, "ms", 0, separators)},
            },
        .gradeTiles =
            {
                {"Download", gradeLetter(input.downloadBufferbloatGrade),
                 gradeTint(input.downloadBufferbloatGrade),
                 baselineRatioText(input.downloadBufferbloatRatio, separators)},
                {"Upload", gradeLetter(input.uploadBufferbloatGrade),
                 gradeTint(input.uploadBufferbloatGrade),
                 baselineRatioText(input.uploadBufferbloatRatio, separators)},
            },
        .insightRows =
            {
                insightRow("arrow.down", "download", input.baselineLatencyMilliseconds,
                           input.downloadLoadedLatencyMilliseconds, downloadFinalized,
                           input.downloadBufferbloatGrade, separators),
                insightRow("arrow.up", "upload", input.baselineLatencyMilliseconds,
                           input.uploadLoadedLatencyMilliseconds, uploadFinalized,
                           input.uploadBufferbloatGrade, separators),
            },
        .lastTestedText = input.latestResultTimestamp
                              ? "Last tested at " + shortTime(*input.latestResultTimestamp) + "."
                              : "Last tested at \u2014",
    };
}

} // namespace lumra
