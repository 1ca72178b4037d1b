#include "monitoring/channelscan/ChannelScoring.h"

#include <algorithm>
#include <cstdlib>
#include <fmt/format.h>
#include <set>
#include <unordered_map>

namespace lumra {

namespace {

struct AggregateAccumulator {
    std::int64_t detectionCount = 0;
    std::int64_t rssiTotal = 0;
    std::int64_t channelNumber = 0;
    WiFiBand band = WiFiBand::unknown;
};

struct ObservedNetworkAggregate {
    std::int64_t channelNumber;
    WiFiBand band;
    double averageRSSIDbm;
    double presenceRatio;
};

// Kept in the order each network was first seen, so that the sums below add
// up in the same order on every run.
std::vector<ObservedNetworkAggregate>
aggregateObservedNetworks(const std::vector<WiFiScannedNetwork>& networks, std::int64_t passCount) {
    std::vector<AggregateAccumulator> accumulators;
    std::unordered_map<std::string, std::size_t> indexByKey;
    for (const WiFiScannedNetwork& network : networks) {
        const auto [found, isNew] =
            indexByKey.try_emplace(networkKey(network), accumulators.size());
        if (isNew)
            accumulators.push_back({0, 0, network.channelNumber, network.band});
        AggregateAccumulator& accumulator = accumulators[found->second];
        accumulator.detectionCount += 1;
        accumulator.rssiTotal += network.rssiDbm;
    }
    const double passes = static_cast<double>(std::max<std::int64_t>(1, passCount));
    std::vector<ObservedNetworkAggregate> aggregates;
    aggregates.reserve(accumulators.size());
    for (const AggregateAccumulator& accumulator : accumulators) {
        const double detections =
            static_cast<double>(std::max<std::int64_t>(1, accumulator.detectionCount));
        aggregates.push_back({accumulator.channelNumber, accumulator.band,
                              static_cast<double>(accumulator.rssiTotal) / detections,
                              static_cast<double>(accumulator.detectionCount) / passes});
    }
    return aggregates;
}

// The bands seen, plus the current one, by label; never the unknown band.
std::vector<WiFiBand> bandsToEvaluate(const std::vector<ObservedNetworkAggregate>& aggregates,
                                      std::optional<WiFiBand> currentBand) {
    std::vector<WiFiBand> bands;
    const auto add = [&bands](WiFiBand band) {
        if (band != WiFiBand::unknown && std::find(bands.begin(), bands.end(), band) == bands.end())
            bands.push_back(band);
    };
    for (const ObservedNetworkAggregate& aggregate : aggregates)
        add(aggregate.band);
    if (currentBand)
        add(*currentBand);
    std::sort(bands.begin(), bands.end(),
              [](WiFiBand a, WiFiBand b) { return rawValue(a) < rawValue(b); });
    return bands;
}

ChannelCongestionSample
rateChannel(WiFiBand band, std::int64_t channel,
            const std::vector<const ObservedNetworkAggregate*>& bandAggregates) {
    std::int64_t networkCount = 0;
    double interferenceScore = 0;
    double rssiWeightedSum = 0;
    double weightSum = 0;
    for (const ObservedNetworkAggregate* aggregate : bandAggregates) {
        const std::optional<double> overlap =
            channelOverlap(band, aggregate->channelNumber, channel);
        if (!overlap)
            continue;
        const double presence = aggregate->presenceRatio;
        const double rssi = aggregate->averageRSSIDbm;
        networkCount += 1;
        interferenceScore += (presence * rssiWeight(rssi)) * *overlap;
        rssiWeightedSum += presence * (rssi * *overlap);
        weightSum += presence * *overlap;
    }
    const double averageRSSIDbm = weightSum > 0 ? rssiWeightedSum / weightSum : -100.0;
    return {channel, band, networkCount, averageRSSIDbm, interferenceScore, 0};
}

void normalizeCongestionScores(std::vector<ChannelCongestionSample>& rows) {
    double largest = 0;
    for (const ChannelCongestionSample& row : rows)
        largest = std::max(largest, row.interferenceScore);
    for (ChannelCongestionSample& row : rows)
        row.normalizedCongestion =
            largest > 0 ? std::clamp(row.interferenceScore / largest, 0.0, 1.0) : 0.0;
}

std::vector<ChannelCongestionSample>
rateBand(WiFiBand band, const std::vector<ObservedNetworkAggregate>& aggregates,
         std::optional<std::int64_t> currentChannel, std::optional<WiFiBand> currentBand) {
    std::vector<const ObservedNetworkAggregate*> bandAggregates;
    std::set<std::int64_t> channels(channelsForBand(band).begin(), channelsForBand(band).end());
    for (const ObservedNetworkAggregate& aggregate : aggregates) {
        if (aggregate.band != band)
            continue;
        bandAggregates.push_back(&aggregate);
        channels.insert(aggregate.channelNumber);
    }
    if (currentChannel && currentBand == band)
        channels.insert(*currentChannel);

    std::vector<ChannelCongestionSample> rows;
    rows.reserve(channels.size());
    for (std::int64_t channel : channels)
        rows.push_back(rateChannel(band, channel, bandAggregates));
    normalizeCongestionScores(rows);
    return rows;
}

double scoreOf(const std::vector<ChannelCongestionSample>& rows, WiFiBand band,
               std::int64_t channel) {
    for (const ChannelCongestionSample& row : rows) {
        if (row.band == band && row.channelNumber == channel)
            return row.interferenceScore;
    }
    return 0;
}

// The quietest choosable channel; among equals the one nearest the current
// channel, and among those the first listed.
std::optional<std::int64_t> recommendedChannel(WiFiBand band,
                                               const std::vector<ChannelCongestionSample>& rows,
                                               std::optional<std::int64_t> currentChannel) {
    const std::vector<std::int64_t>& choosable = recommendableChannels(band);
    if (choosable.empty())
        return std::nullopt;
    std::int64_t best = choosable.front();
    double bestScore = scoreOf(rows, band, best);
    for (std::int64_t candidate : choosable) {
        const double score = scoreOf(rows, band, candidate);
        bool replaces = score < bestScore;
        if (score == bestScore) {
            const bool nearer = currentChannel && std::abs(candidate - *currentChannel) <
                                                      std::abs(best - *currentChannel);
            const bool equallyNear = !currentChannel || std::abs(candidate - *currentChannel) ==
                                                            std::abs(best - *currentChannel);
            replaces = nearer || (equallyNear && candidate < best);
        }
        if (replaces) {
            best = candidate;
            bestScore = score;
        }
    }
    return best;
}

std::optional<double> currentChannelScore(const std::vector<ChannelCongestionSample>& rows,
                                          std::optional<std::int64_t> currentChannel,
                                          std::optional<WiFiBand> currentBand) {
    if (!currentChannel)
        return std::nullopt;
    for (const ChannelCongestionSample& row : rows) {
        if (row.channelNumber == *currentChannel && (!currentBand || row.band == *currentBand))
            return row.interferenceScore;
    }
    return 0.0;
}

} // namespace

std::string networkKey(const WiFiScannedNetwork& network) {
    return fmt::format("{}|{}|{}|{}", network.bssid.value_or("no-bssid"),
                       network.ssid.value_or("hidden"), network.channelNumber,
                       rawValue(network.band));
}

std::vector<WiFiScannedNetwork> uniqueNetworks(const std::vector<WiFiScannedNetwork>& networks) {
    std::set<std::string> seen;
    std::vector<WiFiScannedNetwork> unique;
    for (const WiFiScannedNetwork& network : networks) {
        if (seen.insert(networkKey(network)).second)
            unique.push_back(network);
    }
    return unique;
}

const std::vector<std::int64_t>& channelsForBand(WiFiBand band) {
    static const std::vector<std::int64_t> twoPointFour{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    static const std::vector<std::int64_t> five{36, 40, 44, 48, 149, 153, 157, 161, 165};
    static const std::vector<std::int64_t> six{1, 5, 9, 13, 17, 21, 25, 29};
    static const std::vector<std::int64_t> none;
    switch (band) {
    case WiFiBand::twoPointFourGigahertz:
        return twoPointFour;
    case WiFiBand::fiveGigahertz:
        return five;
    case WiFiBand::sixGigahertz:
        return six;
    case WiFiBand::unknown:
        break;
    }
    return none;
}

const std::vector<std::int64_t>& recommendableChannels(WiFiBand band) {
    // 1, 6 and 11 are the only 2.4 GHz channels that do not overlap each other.
    static const std::vector<std::int64_t> twoPointFour{1, 6, 11};
    return band == WiFiBand::twoPointFourGigahertz ? twoPointFour : channelsForBand(band);
}

double rssiWeight(double averageRSSIDbm) {
    if (averageRSSIDbm >= -55)
        return 1.0;
    if (averageRSSIDbm >= -65)
        return 0.75;
    if (averageRSSIDbm >= -75)
        return 0.5;
    if (averageRSSIDbm >= -85)
        return 0.25;
    return 0.1;
}

std::optional<double> channelOverlap(WiFiBand band, std::int64_t networkChannel,
                                     std::int64_t candidateChannel) {
    switch (band) {
    case WiFiBand::twoPointFourGigahertz: {
        // 2.4 GHz channels are 5 MHz apart and about 20 MHz wide.
        const std::int64_t distance = std::abs(candidateChannel - networkChannel);
        if (distance > 4)
            return std::nullopt;
        return static_cast<double>(5 - distance) / 5.0;
    }
    case WiFiBand::fiveGigahertz:
    case WiFiBand::sixGigahertz:
        if (networkChannel == candidateChannel)
            return 1.0;
        return std::nullopt;
    case WiFiBand::unknown:
        break;
    }
    return std::nullopt;
}

ChannelScanResult scoreChannels(const std::vector<std::vector<WiFiScannedNetwork>>& passes,
                                std::int64_t passCount, std::optional<std::int64_t> currentChannel,
                                std::optional<WiFiBand> currentBand,
                                std::chrono::system_clock::time_point timestamp) {
    std::vector<WiFiScannedNetwork> flattened;
    for (const auto& pass : passes)
        flattened.insert(flattened.end(), pass.begin(), pass.end());
    const std::vector<ObservedNetworkAggregate> aggregates =
        aggregateObservedNetworks(flattened, passCount);

    // Produced band by band, each ascending: already in the rows' order.
    std::vector<ChannelCongestionSample> rows;
    for (WiFiBand band : bandsToEvaluate(aggregates, currentBand)) {
        auto bandRows = rateBand(band, aggregates, currentChannel, currentBand);
        rows.insert(rows.end(), bandRows.begin(), bandRows.end());
    }

    std::optional<WiFiBand> recommendationBand = currentBand;
    if (!recommendationBand && !rows.empty())
        recommendationBand = rows.front().band;
    std::optional<std::int64_t> suggestedChannel;
    if (recommendationBand)
        suggestedChannel = recommendedChannel(*recommendationBand, rows, currentChannel);

    const std::optional<double> currentScore =
        currentChannelScore(rows, currentChannel, currentBand);
    return ChannelScanResult{
        .timestamp = timestamp,
        .passCount = passCount,
        .scannedNetworkCount = static_cast<std::int64_t>(flattened.size()),
        .channels = std::move(rows),
        .currentChannelNumber = currentChannel,
        .currentBand = currentBand,
        .currentChannelInterferenceScore = currentScore,
        .suggestedChannelNumber = suggestedChannel,
        .suggestedBand = recommendationBand,
        .didSucceed = true,
    };
}

} // namespace lumra
