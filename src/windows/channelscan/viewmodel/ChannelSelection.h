// Which channels the Channel Scan window lists, which channel its "Current"
// and "Recommended" cards describe, and the sentence comparing the two. Pure
// functions of one scan result; every score comes from the scan itself.
#pragma once

#include "model/ChannelCongestionSample.h"
#include "model/ChannelScanResult.h"
#include "model/WiFiBand.h"
#include "viewkit/MetricFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

struct ChannelScanSelectionSummary {
    std::int64_t channelNumber;
    WiFiBand band;
    // Lower is better.
    double interferenceScore;
    std::int64_t networkCount;

    bool operator==(const ChannelScanSelectionSummary&) const = default;
};

inline constexpr std::size_t maximumDisplayedChannels = 12;

std::optional<ChannelScanSelectionSummary> currentSelection(const ChannelScanResult& result);
std::optional<ChannelScanSelectionSummary> recommendedSelection(const ChannelScanResult& result);

// The band's rows: the current and the suggested channel first, then the
// best-scored others; unique channel numbers, at most 12.
std::vector<ChannelCongestionSample>
displayedChannels(const std::optional<ChannelScanResult>& result);

std::string recommendationSentence(const ChannelScanResult& result,
                                   const NumberSeparators& separators);

// A score that is not finite counts as 0, so sorting and comparing never see NaN.
double finiteScore(double score);

} // namespace lumra
