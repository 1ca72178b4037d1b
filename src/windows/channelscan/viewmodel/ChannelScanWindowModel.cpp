#include "windows/channelscan/viewmodel/ChannelScanWindowModel.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

ChannelScanCard card(std::string title, StatusColor accent,
                     const std::optional<ChannelScanSelectionSummary>& selection,
                     const NumberSeparators& separators) {
    ChannelScanCard card{.title = std::move(title), .accent = accent};
    if (selection) {
        card.channelText = "Ch " + std::to_string(selection->channelNumber) + " (" +
                           std::string(rawValue(selection->band)) + ")";
        card.scoreText = channelScoreText(selection->interferenceScore, separators);
        card.countText = cardNetworkCountText(selection->networkCount);
    }
    return card;
}

} // namespace

std::string channelScanButtonTitle(bool isScanning, bool hasResult) {
    if (isScanning)
        return "Cancel";
    return hasResult ? "Scan Again" : "Scan Now";
}

std::string cardNetworkCountText(std::int64_t count) {
    return count == 1 ? "1 nearby network" : std::to_string(count) + " nearby networks";
}

std::string rowNetworkCountText(std::int64_t count) {
    return count == 1 ? "1 network" : std::to_string(count) + " networks";
}

std::string channelScoreText(double score, const NumberSeparators& separators) {
    if (!std::isfinite(score))
        return "Score " + std::string(kMissingValueText);
    return "Score " + formatLocalizedDecimal(score, 2, separators);
}

double congestionBarFraction(double normalizedCongestion) {
    return std::isfinite(normalizedCongestion) ? std::clamp(normalizedCongestion, 0.0, 1.0) : 0.0;
}

StatusColor congestionBarTint(double normalizedCongestion) {
    const double value = congestionBarFraction(normalizedCongestion);
    if (value >= 0.67)
        return StatusColor::red;
    if (value >= 0.34)
        return StatusColor::orange;
    return StatusColor::green;
}

double congestionBarWidth(double availableWidth, double normalizedCongestion) {
    return std::max(availableWidth * congestionBarFraction(normalizedCongestion), 2.0);
}

ChannelScanWindowModel channelScanWindowModel(const ChannelScanWindowInput& input,
                                              const NumberSeparators& separators) {
    const bool hasResult = input.latestResult.has_value();
    ChannelScanWindowModel model{
        .layout = hasResult ? (input.isScanning ? ChannelScanLayout::resultScanning
                                                : ChannelScanLayout::resultIdle)
                            : (input.isScanning ? ChannelScanLayout::emptyScanning
                                                : ChannelScanLayout::emptyIdle),
        .showsHeaderButton = input.isScanning || hasResult,
        .buttonTitle = channelScanButtonTitle(input.isScanning, hasResult),
        .buttonAction =
            input.isScanning ? ScanButtonAction::cancelRunningTask : ScanButtonAction::startScan,
        .showsProgress = input.isScanning,
        .progressValue = static_cast<double>(input.completedPasses),
        .progressTotal = static_cast<double>(std::max<std::int64_t>(input.totalPasses, 1)),
        .currentCard = card("Current", StatusColor::blue, std::nullopt, separators),
        .recommendedCard = card("Recommended", StatusColor::green, std::nullopt, separators),
    };
    if (!hasResult)
        return model;

    const ChannelScanResult& result = *input.latestResult;
    model.networksSeenText = std::to_string(result.scannedNetworkCount);
    model.passesText = std::to_string(result.passCount);
    model.currentCard = card("Current", StatusColor::blue, currentSelection(result), separators);
    model.recommendedCard =
        card("Recommended", StatusColor::green, recommendedSelection(result), separators);
    model.sentence = recommendationSentence(result, separators);
    for (const auto& sample : displayedChannels(result)) {
        model.rows.push_back(ChannelScanRow{
            .channelNumber = sample.channelNumber,
            .channelText = "Ch " + std::to_string(sample.channelNumber),
            .isCurrent = result.currentChannelNumber == sample.channelNumber,
            .isRecommended = result.suggestedChannelNumber == sample.channelNumber,
            .scoreText = channelScoreText(sample.interferenceScore, separators),
            .countText = rowNetworkCountText(sample.networkCount),
            .barFraction = congestionBarFraction(sample.normalizedCongestion),
            .barTint = congestionBarTint(sample.normalizedCongestion),
        });
    }
    return model;
}

ChannelScanWindowInput channelScanWindowInput(const Engine& engine) {
    const auto& monitor = *engine.channelScanMonitor;
    return ChannelScanWindowInput{
        .latestResult = monitor.latestResult().get(),
        .isScanning = monitor.isScanning().get(),
        .completedPasses = monitor.completedPasses().get(),
        .totalPasses = monitor.totalPasses().get(),
    };
}

void runScanButtonAction(ScanButtonAction action, ChannelScanMonitor& monitor) {
    switch (action) {
    case ScanButtonAction::cancelRunningTask:
        if (const auto& task = monitor.runningTask())
            task->cancel();
        return;
    case ScanButtonAction::startScan:
        monitor.startScan();
        return;
    }
}

} // namespace lumra
