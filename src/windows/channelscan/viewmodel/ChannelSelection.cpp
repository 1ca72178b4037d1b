#include "windows/channelscan/viewmodel/ChannelSelection.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

const ChannelCongestionSample* firstSample(const std::vector<ChannelCongestionSample>& samples,
                                           std::int64_t channelNumber,
                                           std::optional<WiFiBand> band) {
    const auto match = std::find_if(samples.begin(), samples.end(), [&](const auto& sample) {
        return sample.channelNumber == channelNumber && (!band || sample.band == *band);
    });
    return match == samples.end() ? nullptr : &*match;
}

// 75 stays "75", 33.33 reads "33.3".
std::string upToOneFractionDigit(double value, const NumberSeparators& separators) {
    std::string text = formatLocalizedDecimal(value, 1, separators);
    const std::string zeroFraction = separators.decimalSeparator + "0";
    if (text.ends_with(zeroFraction))
        text.erase(text.size() - zeroFraction.size());
    return text;
}

bool lists(const std::vector<ChannelCongestionSample>& samples, std::int64_t channelNumber) {
    return firstSample(samples, channelNumber, std::nullopt) != nullptr;
}

} // namespace

double finiteScore(double score) {
    return std::isfinite(score) ? score : 0.0;
}

std::optional<ChannelScanSelectionSummary> currentSelection(const ChannelScanResult& result) {
    if (!result.currentChannelNumber)
        return std::nullopt;
    const auto* match =
        firstSample(result.channels, *result.currentChannelNumber, result.currentBand);
    return ChannelScanSelectionSummary{
        .channelNumber = *result.currentChannelNumber,
        .band =
            result.currentBand ? *result.currentBand : (match ? match->band : WiFiBand::unknown),
        .interferenceScore =
            match ? match->interferenceScore : result.currentChannelInterferenceScore.value_or(0.0),
        .networkCount = match ? match->networkCount : 0,
    };
}

std::optional<ChannelScanSelectionSummary> recommendedSelection(const ChannelScanResult& result) {
    if (!result.suggestedChannelNumber || !result.suggestedBand)
        return std::nullopt;
    const auto* match =
        firstSample(result.channels, *result.suggestedChannelNumber, result.suggestedBand);
    return ChannelScanSelectionSummary{
        .channelNumber = *result.suggestedChannelNumber,
        .band = *result.suggestedBand,
        .interferenceScore = match ? match->interferenceScore : 0.0,
        .networkCount = match ? match->networkCount : 0,
    };
}

std::vector<ChannelCongestionSample>
displayedChannels(const std::optional<ChannelScanResult>& result) {
    if (!result)
        return {};
    const std::optional<WiFiBand> activeBand =
        result->currentBand ? result->currentBand : result->suggestedBand;

    std::vector<ChannelCongestionSample> candidates;
    std::copy_if(result->channels.begin(), result->channels.end(), std::back_inserter(candidates),
                 [&](const auto& sample) { return !activeBand || sample.band == *activeBand; });
    std::stable_sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
        const double scoreA = finiteScore(a.interferenceScore);
        const double scoreB = finiteScore(b.interferenceScore);
        if (scoreA != scoreB)
            return scoreA < scoreB;
        return a.channelNumber < b.channelNumber;
    });

    std::vector<ChannelCongestionSample> output;
    for (const auto& pinned : {result->currentChannelNumber, result->suggestedChannelNumber}) {
        if (!pinned)
            continue;
        std::optional<ChannelCongestionSample> sample;
        if (const auto* match = firstSample(candidates, *pinned, std::nullopt))
            sample = *match;
        else if (activeBand)
            sample = ChannelCongestionSample{
                .channelNumber = *pinned,
                .band = *activeBand,
                .networkCount = 0,
                .averageRSSIDbm = -100.0,
                .interferenceScore = 0.0,
                .normalizedCongestion = 0.0,
            };
        if (sample && !lists(output, sample->channelNumber))
            output.push_back(*sample);
    }
    for (const auto& candidate : candidates) {
        if (output.size() >= maximumDisplayedChannels)
            break;
        if (!lists(output, candidate.channelNumber))
            output.push_back(candidate);
    }
    return output;
}

std::string recommendationSentence(const ChannelScanResult& result,
                                   const NumberSeparators& separators) {
    const auto current = currentSelection(result);
    const auto recommended = recommendedSelection(result);
    if (!current || !recommended)
        return "Run a scan to compare current and recommended channel strength.";
    if (current->channelNumber == recommended->channelNumber && current->band == recommended->band)
        return "Current channel already matches the recommendation.";

    const double currentScore = finiteScore(current->interferenceScore);
    const double delta = currentScore - finiteScore(recommended->interferenceScore);
    const double base = currentScore <= 0.01 ? 0.01 : currentScore;
    const std::string percent = upToOneFractionDigit(std::fabs(delta) / base * 100.0, separators);
    if (delta > 0)
        return "Switching to Ch " + std::to_string(recommended->channelNumber) +
               " may reduce interference by about " + percent + "%.";
    if (delta < 0)
        return "Current channel is about " + percent +
               "% cleaner than the recommended channel right now.";
    return "Current and recommended channels have the same measured interference.";
}

} // namespace lumra
