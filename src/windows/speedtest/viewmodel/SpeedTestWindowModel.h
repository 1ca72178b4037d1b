// Everything the Speed Test window shows, decided from the monitor's
// published state on each redraw: the layout, the button, the status line,
// the badge, the tiles, the grades and the lag-under-load sentences.
#pragma once

#include "model/BufferbloatGrade.h"
#include "model/SpeedTestPhase.h"
#include "shell/services/Engine.h"
#include "viewkit/MetricFormat.h"
#include "viewkit/StatusColor.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace lumra {

// The monitor's properties the window reads.
struct SpeedTestWindowInput {
    bool isRunning = false;
    SpeedTestPhase phase = SpeedTestPhase::idle;
    double progress = 0.0;
    // Only the presence and time of the latest result matter here.
    std::optional<std::chrono::system_clock::time_point> latestResultTimestamp{};
    std::optional<double> downloadMbps{};
    std::optional<double> uploadMbps{};
    std::optional<double> baselineLatencyMilliseconds{};
    std::optional<double> downloadLoadedLatencyMilliseconds{};
    std::optional<double> uploadLoadedLatencyMilliseconds{};
    std::optional<double> downloadBufferbloatRatio{};
    std::optional<double> uploadBufferbloatRatio{};
    std::optional<BufferbloatGrade> downloadBufferbloatGrade{};
    std::optional<BufferbloatGrade> uploadBufferbloatGrade{};
};

enum class SpeedTestLayout { empty, results };
enum class SpeedTestButtonAction { start, cancelRunningTask };

struct SpeedTestBadge {
    std::string text;
    StatusColor tint;
    bool operator==(const SpeedTestBadge&) const = default;
};

struct SpeedTestMetricTileModel {
    std::string title;
    std::string symbolName;
    std::string value;
    StatusColor valueTint;
    bool operator==(const SpeedTestMetricTileModel&) const = default;
};

struct SpeedTestLatencyBoxModel {
    std::string title;
    std::string value;
    bool operator==(const SpeedTestLatencyBoxModel&) const = default;
};

// A missing grade is drawn in white at 0.45 (gray here).
struct SpeedTestGradeTileModel {
    std::string title;
    std::string letter;
    StatusColor letterTint;
    std::string ratioText;
    bool operator==(const SpeedTestGradeTileModel&) const = default;
};

struct SpeedTestInsightRowModel {
    std::string indicatorSymbolName;
    StatusColor indicatorTint;
    std::string text;
    bool operator==(const SpeedTestInsightRowModel&) const = default;
};

struct SpeedTestWindowModel {
    SpeedTestLayout layout;
    bool showsHeaderButton;
    std::string buttonTitle;
    SpeedTestButtonAction buttonAction;
    bool showsStatusBlock;
    std::string statusText;
    std::string percentText;
    // 0...1 of the progress bar.
    double progress;
    std::optional<SpeedTestBadge> badge{};
    SpeedTestMetricTileModel downloadTile;
    SpeedTestMetricTileModel uploadTile;
    SpeedTestLatencyBoxModel latencyBoxes[3];
    SpeedTestGradeTileModel gradeTiles[2];
    SpeedTestInsightRowModel insightRows[2];
    std::string lastTestedText;
};

// The result's time with the date omitted, in the locale's short style.
using ShortTimeFormatter = std::function<std::string(std::chrono::system_clock::time_point)>;

// The engine's speed-test monitor as it is now.
SpeedTestWindowInput speedTestWindowInput(const Engine& engine);

// What the window's button does: starts a test, or cancels the running one.
void runSpeedTestButtonAction(SpeedTestButtonAction action, SpeedTestMonitor& monitor);

SpeedTestWindowModel speedTestWindowModel(const SpeedTestWindowInput& input,
                                          const NumberSeparators& separators,
                                          const ShortTimeFormatter& shortTime);

bool hasSpeedTestResults(const SpeedTestWindowInput& input);
std::string speedTestStatusText(const SpeedTestWindowInput& input);
std::string progressPercentText(double progress, const NumberSeparators& separators);
std::optional<SpeedTestBadge> phaseBadge(SpeedTestPhase phase);
std::string gradeLetter(std::optional<BufferbloatGrade> grade);
StatusColor gradeTint(std::optional<BufferbloatGrade> grade);
std::string baselineRatioText(std::optional<double> ratio, const NumberSeparators& separators);
// phaseLabel is the lower-case phase word, "download" or "upload".
std::string bufferbloatInsightText(const std::string& phaseLabel,
                                   std::optional<double> baselineMilliseconds,
                                   std::optional<double> loadedMilliseconds, bool isPhaseFinalized,
                                   std::optional<BufferbloatGrade> grade,
                                   const NumberSeparators& separators);

inline constexpr const char* speedTestTitle = "Speed Test";
inline constexpr const char* speedTestProvider = "Cloudflare";
inline constexpr const char* speedTestSubtitle =
    "Measure download, upload and responsiveness under load.";
inline constexpr const char* speedTestEmptyTitle = "No speed test results yet";
inline constexpr const char* throughputCaption = "Throughput";
inline constexpr const char* latencyCaption = "Latency";
inline constexpr const char* bufferbloatCaption = "Bufferbloat";
inline constexpr const char* speedTestEmptyDescription =
    "Run a test to measure download, upload, and latency under load.";

} // namespace lumra
