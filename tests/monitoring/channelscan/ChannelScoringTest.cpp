#include "monitoring/channelscan/ChannelScoring.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumra {
namespace {

constexpr auto ghz24 = WiFiBand::twoPointFourGigahertz;
constexpr auto ghz5 = WiFiBand::fiveGigahertz;
constexpr auto ghz6 = WiFiBand::sixGigahertz;

using Passes = std::vector<std::vector<WiFiScannedNetwork>>;

WiFiScannedNetwork network(std::string bssid, std::int64_t rssi, std::int64_t channel,
                           WiFiBand band = ghz24) {
    return {"net-" + bssid, bssid, rssi, channel, band};
}

// The same networks in each of passCount passes.
Passes repeated(std::vector<WiFiScannedNetwork> pass, int passCount = 3) {
    return Passes(passCount, pass);
}

const std::chrono::system_clock::time_point at{std::chrono::seconds(1'700'000'000)};

ChannelScanResult score(const Passes& passes, std::optional<std::int64_t> channel,
                        std::optional<WiFiBand> band, std::int64_t passCount = 3) {
    return scoreChannels(passes, passCount, channel, band, at);
}

const ChannelCongestionSample& row(const ChannelScanResult& result, WiFiBand band,
                                   std::int64_t channel) {
    for (const auto& sample : result.channels) {
        if (sample.band == band && sample.channelNumber == channel)
            return sample;
    }
    throw std::runtime_error("no row for channel " + std::to_string(channel));
}

std::vector<std::int64_t> channelNumbers(const ChannelScanResult& result, WiFiBand band) {
    std::vector<std::int64_t> numbers;
    for (const auto& sample : result.channels) {
        if (sample.band == band)
            numbers.push_back(sample.channelNumber);
    }
    return numbers;
}

std::map<std::int64_t, double> scores(const ChannelScanResult& result, WiFiBand band) {
    std::map<std::int64_t, double> byChannel;
    for (const auto& sample : result.channels) {
        if (sample.band == band)
            byChannel[sample.channelNumber] = sample.interferenceScore;
    }
    return byChannel;
}

void expectScores(const ChannelScanResult& result, WiFiBand band,
                  const std::map<std::int64_t, double>& expected) {
    const auto actual = scores(result, band);
    ASSERT_EQ(actual.size(), expected.size());
    for (const auto& [channel, value] : expected)
        EXPECT_NEAR(actual.at(channel), value, 1e-12) << "channel " << channel;
}

TEST(ChannelScoringTest, AnEmptyNeighbourhoodRatesTheCurrentBandAndSuggestsTheCurrentChannel) {
    const auto result = score({{}, {}, {}}, 44, ghz5);
    EXPECT_EQ(channelNumbers(result, ghz5),
              (std::vector<std::int64_t>{36, 40, 44, 48, 149, 153, 157, 161, 165}));
    EXPECT_EQ(result.channels.size(), 9u);
    for (const auto& sample : result.channels) {
        EXPECT_EQ(sample, (ChannelCongestionSample{sample.channelNumber, ghz5, 0, -100.0, 0, 0}));
    }
    EXPECT_EQ(result.scannedNetworkCount, 0);
    EXPECT_EQ(result.suggestedChannelNumber, 44);
    EXPECT_EQ(result.suggestedBand, ghz5);
    EXPECT_EQ(result.currentChannelInterferenceScore, 0.0);
    EXPECT_EQ(result.timestamp, at);
    EXPECT_EQ(result.passCount, 3);
    EXPECT_TRUE(result.didSucceed);
}

TEST(ChannelScoringTest, WithoutNetworksOrCurrentLinkThereIsNothingToRateOrSuggest) {
    const auto result = score({{}, {}, {}}, std::nullopt, std::nullopt);
    EXPECT_EQ(result, (ChannelScanResult{at,
                                         3,
                                         0,
                                         {},
                                         std::nullopt,
                                         std::nullopt,
                                         std::nullopt,
                                         std::nullopt,
                                         std::nullopt,
                                         true}));
}

TEST(ChannelScoringTest, OneStrongNetworkSpreadsOverItsNeighboursAndTheQuietEdgeIsSuggested) {
    const auto result = score(repeated({network("aa", -50, 6)}), 6, ghz24);
    expectScores(result, ghz24,
                 {{1, 0},
                  {2, 0.2},
                  {3, 0.4},
                  {4, 0.6},
                  {5, 0.8},
                  {6, 1.0},
                  {7, 0.8},
                  {8, 0.6},
                  {9, 0.4},
                  {10, 0.2},
                  {11, 0}});
    for (const auto& sample : result.channels) {
        const bool reached = sample.channelNumber >= 2 && sample.channelNumber <= 10;
        EXPECT_EQ(sample.networkCount, reached ? 1 : 0) << sample.channelNumber;
        EXPECT_DOUBLE_EQ(sample.averageRSSIDbm, reached ? -50.0 : -100.0) << sample.channelNumber;
        EXPECT_DOUBLE_EQ(sample.normalizedCongestion, sample.interferenceScore)
            << sample.channelNumber;
    }
    EXPECT_EQ(result.scannedNetworkCount, 3);
    // 1 and 11 tie at 0, both 5 away from 6: the lower stays.
    EXPECT_EQ(result.suggestedChannelNumber, 1);
    EXPECT_EQ(result.suggestedBand, ghz24);
    EXPECT_DOUBLE_EQ(*result.currentChannelInterferenceScore, 1.0);
}

TEST(ChannelScoringTest, ANetworkSeenInFewerPassesWeighsItsShareOfThem) {
    const auto once = score({{network("aa", -50, 6)}, {}, {}}, 6, ghz24);
    expectScores(once, ghz24,
                 {{1, 0},
                  {2, 0.2 / 3},
                  {3, 0.4 / 3},
                  {4, 0.6 / 3},
                  {5, 0.8 / 3},
                  {6, 1.0 / 3},
                  {7, 0.8 / 3},
                  {8, 0.6 / 3},
                  {9, 0.4 / 3},
                  {10, 0.2 / 3},
                  {11, 0}});
    EXPECT_DOUBLE_EQ(row(once, ghz24, 4).normalizedCongestion, 0.6) << "normalised within the band";
    EXPECT_DOUBLE_EQ(row(once, ghz24, 6).averageRSSIDbm, -50.0)
        << "presence does not bias the average";
    EXPECT_EQ(once.scannedNetworkCount, 1);

    // Seen at -50 and -60 in two of three passes: an average of exactly -55
    // still weighs 1.0.
    const auto twice = score({{network("aa", -50, 6)}, {}, {network("aa", -60, 6)}}, 6, ghz24);
    EXPECT_DOUBLE_EQ(row(twice, ghz24, 6).interferenceScore, 2.0 / 3);
    EXPECT_DOUBLE_EQ(row(twice, ghz24, 6).averageRSSIDbm, -55.0);
}

TEST(ChannelScoringTest, SignalWeightsChangeAtInclusiveBounds) {
    struct Case {
        double averageRSSIDbm;
        double weight;
    };
    for (const Case& c : std::vector<Case>{{-20, 1.0},
                                           {-55.0, 1.0},
                                           {-55.5, 0.75},
                                           {-65.0, 0.75},
                                           {-65.1, 0.5},
                                           {-75.0, 0.5},
                                           {-75.1, 0.25},
                                           {-85.0, 0.25},
                                           {-85.1, 0.1},
                                           {-120, 0.1}}) {
        EXPECT_EQ(rssiWeight(c.averageRSSIDbm), c.weight) << c.averageRSSIDbm;
    }
    // Through the averages of a scan: (-54 + -56) / 2 = -55.0 and
    // (-55 + -56) / 2 = -55.5.
    const auto atBound = score({{network("aa", -54, 6)}, {network("aa", -56, 6)}}, 6, ghz24, 2);
    EXPECT_DOUBLE_EQ(row(atBound, ghz24, 6).interferenceScore, 1.0);
    const auto below = score({{network("aa", -55, 6)}, {network("aa", -56, 6)}}, 6, ghz24, 2);
    EXPECT_DOUBLE_EQ(row(below, ghz24, 6).interferenceScore, 0.75);
}

TEST(ChannelScoringTest, RowAveragesWeighEachNetworkByPresenceAndOverlap) {
    // Channel 6: (-40 x 1.0 + -80 x 0.8) / (1.0 + 0.8); score 1.0 x 1.0 + 0.25 x 0.8.
    const auto result = score(repeated({network("aa", -40, 6), network("bb", -80, 7)}), 6, ghz24);
    const auto& six = row(result, ghz24, 6);
    EXPECT_EQ(six.networkCount, 2);
    EXPECT_DOUBLE_EQ(six.averageRSSIDbm, (-40.0 - 64.0) / 1.8);
    EXPECT_DOUBLE_EQ(six.interferenceScore, 1.2);
    EXPECT_DOUBLE_EQ(six.normalizedCongestion, 1.0);
    EXPECT_EQ(row(result, ghz24, 11).networkCount, 1) << "channel 7 reaches 11, channel 6 does not";
}

TEST(ChannelScoringTest, ChannelsOutsideTheTableGetRowsOfTheirOwnButAreNeverSuggested) {
    // 5 GHz channel 52 is outside the candidates; the Mac is on it.
    const auto dfs = score(repeated({network("aa", -60, 52, ghz5)}), 52, ghz5);
    EXPECT_EQ(channelNumbers(dfs, ghz5),
              (std::vector<std::int64_t>{36, 40, 44, 48, 52, 149, 153, 157, 161, 165}));
    EXPECT_EQ(row(dfs, ghz5, 52), (ChannelCongestionSample{52, ghz5, 1, -60.0, 0.75, 1.0}));
    EXPECT_EQ(row(dfs, ghz5, 48).networkCount, 0) << "5 GHz networks touch their own channel only";
    EXPECT_EQ(dfs.suggestedChannelNumber, 48) << "the nearest quiet candidate";
    EXPECT_DOUBLE_EQ(*dfs.currentChannelInterferenceScore, 0.75);

    // 2.4 GHz channel 13 reaches down to 9; nothing on 12 is rated.
    const auto thirteen = score(repeated({network("aa", -50, 13)}), std::nullopt, std::nullopt);
    expectScores(thirteen, ghz24,
                 {{1, 0},
                  {2, 0},
                  {3, 0},
                  {4, 0},
                  {5, 0},
                  {6, 0},
                  {7, 0},
                  {8, 0},
                  {9, 0.2},
                  {10, 0.4},
                  {11, 0.6},
                  {13, 1.0}});

    // A current channel nobody uses still gets its row.
    const auto fourteen = score({{}, {}, {}}, 14, ghz24);
    EXPECT_EQ(row(fourteen, ghz24, 14), (ChannelCongestionSample{14, ghz24, 0, -100.0, 0, 0}));
    EXPECT_EQ(fourteen.suggestedChannelNumber, 11);
}

TEST(ChannelScoringTest, SixGigahertzNetworksCountOnlyOnTheirOwnChannel) {
    const auto result = score(repeated({network("aa", -50, 5, ghz6)}), 1, ghz6);
    expectScores(result, ghz6,
                 {{1, 0}, {5, 1.0}, {9, 0}, {13, 0}, {17, 0}, {21, 0}, {25, 0}, {29, 0}});
    EXPECT_EQ(result.suggestedChannelNumber, 1);
    EXPECT_EQ(result.currentChannelInterferenceScore, 0.0);
}

TEST(ChannelScoringTest, TheQuietestChoosableChannelWinsAndTiesGoToTheNearest) {
    struct Case {
        const char* name;
        std::vector<WiFiScannedNetwork> pass;
        std::optional<std::int64_t> currentChannel;
        std::int64_t suggested;
    };
    const std::vector<Case> cases{
        {"tie at 0, 11 nearer to 10", {}, 10, 11},
        {"tie at 0, 6 nearer to 4", {}, 4, 6},
        {"tie at 0 without a current channel: the first", {}, std::nullopt, 1},
        {"a quieter channel beats the nearest", {network("aa", -50, 11)}, 10, 6},
        {"the only quiet one", {network("aa", -50, 1), network("bb", -50, 11)}, 1, 6},
    };
    for (const Case& c : cases) {
        const auto result = score(repeated(c.pass), c.currentChannel, ghz24);
        EXPECT_EQ(result.suggestedChannelNumber, c.suggested) << c.name;
    }
}

TEST(ChannelScoringTest, WithoutACurrentBandEveryBandSeenIsRatedAndTheFirstIsRecommended) {
    const auto result =
        score(repeated({network("aa", -50, 6), network("bb", -70, 36, ghz5)}), 36, std::nullopt);
    ASSERT_EQ(result.channels.size(), 20u);
    EXPECT_EQ(result.channels.front().band, ghz24);
    EXPECT_EQ(result.channels.back(), (ChannelCongestionSample{165, ghz5, 0, -100.0, 0, 0}));
    EXPECT_EQ(result.suggestedBand, ghz24);
    // 1 and 11 tie at 0; 11 is nearer to the current channel number 36.
    EXPECT_EQ(result.suggestedChannelNumber, 11);
    // The first row numbered 36, whatever its band.
    EXPECT_DOUBLE_EQ(*result.currentChannelInterferenceScore, 0.5);
    EXPECT_DOUBLE_EQ(row(result, ghz24, 6).normalizedCongestion, 1.0);
    EXPECT_DOUBLE_EQ(row(result, ghz5, 36).normalizedCongestion, 1.0)
        << "each band has its own maximum";
    EXPECT_EQ(result.currentBand, std::nullopt);
}

TEST(ChannelScoringTest, AnUnknownCurrentBandGetsNoRowsAndNoChannel) {
    const auto empty = score({{}, {}, {}}, 7, WiFiBand::unknown);
    EXPECT_TRUE(empty.channels.empty());
    EXPECT_EQ(empty.suggestedBand, WiFiBand::unknown);
    EXPECT_EQ(empty.suggestedChannelNumber, std::nullopt);
    EXPECT_EQ(empty.currentChannelInterferenceScore, 0.0);

    // Networks elsewhere are rated, but the Mac's channel is in none of their bands.
    const auto beside =
        score(repeated({network("aa", -50, 7), network("bb", -50, 7, WiFiBand::unknown)}), 7,
              WiFiBand::unknown);
    EXPECT_EQ(channelNumbers(beside, ghz24).size(), 11u);
    EXPECT_EQ(beside.channels.size(), 11u) << "no rows for the unknown band";
    EXPECT_EQ(beside.scannedNetworkCount, 6) << "unknown-band networks are still counted";
    EXPECT_EQ(beside.suggestedBand, WiFiBand::unknown);
    EXPECT_EQ(beside.suggestedChannelNumber, std::nullopt);
    EXPECT_EQ(beside.currentChannelInterferenceScore, 0.0);
}

TEST(ChannelScoringTest, NetworkKeysNameBssidSsidChannelAndBand) {
    EXPECT_EQ(networkKey({"Home", "aa:bb:cc:dd:ee:ff", -50, 6, ghz24}),
              "aa:bb:cc:dd:ee:ff|Home|6|2.4 GHz");
    EXPECT_EQ(networkKey({std::nullopt, std::nullopt, -50, 36, ghz5}), "no-bssid|hidden|36|5 GHz");
    EXPECT_EQ(networkKey({"x", std::nullopt, -50, 2, WiFiBand::unknown}), "no-bssid|x|2|Unknown");
}

TEST(ChannelScoringTest, DuplicatesWithinAPassKeepTheFirstOccurrence) {
    const WiFiScannedNetwork first = network("aa", -50, 6);
    const WiFiScannedNetwork again{first.ssid, first.bssid, -40, 6, ghz24};
    const WiFiScannedNetwork otherChannel{first.ssid, first.bssid, -45, 11, ghz24};
    const WiFiScannedNetwork hidden{std::nullopt, std::nullopt, -70, 1, ghz24};
    const WiFiScannedNetwork hiddenToo{std::nullopt, std::nullopt, -60, 1, ghz24};
    EXPECT_EQ(uniqueNetworks({first, again, otherChannel, hidden, hiddenToo}),
              (std::vector<WiFiScannedNetwork>{first, otherChannel, hidden}));
}

} // namespace
} // namespace lumra
