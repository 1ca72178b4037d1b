// Everything the Channel Scan window shows, decided from the monitor's
// published state on each redraw: the layout, the button, the progress, the
// cards, the sentence and the rows with their bars.
#pragma once

#include "model/ChannelScanResult.h"
#include "shell/services/Engine.h"
#include "viewkit/MetricFormat.h"
#include "viewkit/StatusColor.h"
#include "windows/channelscan/viewmodel/ChannelSelection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

// The monitor's properties the window reads.
struct ChannelScanWindowInput {
    std::optional<ChannelScanResult> latestResult{};
    bool isScanning = false;
    std::int64_t completedPasses = 0;
    std::int64_t totalPasses = 0;
};

enum class ChannelScanLayout { emptyIdle, emptyScanning, resultIdle, resultScanning };

// What the one scan button does when clicked.
enum class ScanButtonAction { startScan, cancelRunningTask };

struct ChannelScanCard {
    std::string title;
    StatusColor accent;
    // All three empty when the card shows "Unavailable".
    std::optional<std::string> channelText{};
    std::optional<std::string> scoreText{};
    std::optional<std::string> countText{};

    bool operator==(const ChannelScanCard&) const = default;
};

struct ChannelScanRow {
    std::int64_t channelNumber;
    std::string channelText;
    bool isCurrent;
    bool isRecommended;
    std::string scoreText;
    std::string countText;
    // 0...1 of the track; the widget keeps a 2-point minimum.
    double barFraction;
    StatusColor barTint;

    bool operator==(const ChannelScanRow&) const = default;
};

struct ChannelScanWindowModel {
    ChannelScanLayout layout;
    bool showsHeaderButton;
    std::string buttonTitle;
    ScanButtonAction buttonAction;
    bool showsProgress;
    double progressValue;
    double progressTotal;
    // The result content, when there is a result.
    std::string networksSeenText{};
    std::string passesText{};
    ChannelScanCard currentCard;
    ChannelScanCard recommendedCard;
    std::string sentence{};
    std::vector<ChannelScanRow> rows{};
};

// The engine's channel-scan monitor as it is now.
ChannelScanWindowInput channelScanWindowInput(const Engine& engine);

ChannelScanWindowModel channelScanWindowModel(const ChannelScanWindowInput& input,
                                              const NumberSeparators& separators);

// What the scan button does: starts a scan, or cancels the running one.
void runScanButtonAction(ScanButtonAction action, ChannelScanMonitor& monitor);

std::string channelScanButtonTitle(bool isScanning, bool hasResult);
std::string cardNetworkCountText(std::int64_t count);
std::string rowNetworkCountText(std::int64_t count);
std::string channelScoreText(double score, const NumberSeparators& separators);
// The bar's share of the track: normalizedCongestion within 0...1, 0 when not finite.
double congestionBarFraction(double normalizedCongestion);
StatusColor congestionBarTint(double normalizedCongestion);
// max(available x fraction, 2) points.
double congestionBarWidth(double availableWidth, double normalizedCongestion);

inline constexpr const char* channelScanTitle = "Channel Scan";
inline constexpr const char* channelScanSubtitle =
    "Analyze nearby channel congestion and get a same-band recommendation.";
inline constexpr const char* channelScanEmptyTitle = "No scan results yet";
inline constexpr const char* channelScanEmptyDescription =
    "Run a scan to compare current channel quality against nearby options in the same band.";
inline constexpr const char* bandCongestionHeading = "Band Congestion";
inline constexpr const char* bandCongestionExplanation =
    "Interference score accounts for overlapping channels and signal strength. Lower is better.";
inline constexpr const char* noChannelsText = "No channels available for the active band.";
inline constexpr const char* unavailableText = "Unavailable";
inline constexpr const char* networksSeenChipLabel = "Networks Seen";
inline constexpr const char* passesChipLabel = "Passes";

} // namespace lumra
