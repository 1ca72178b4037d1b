#include "windows/channelscan/viewmodel/ChannelSelection.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace lumra {
namespace {

constexpr WiFiBand band24 = WiFiBand::twoPointFourGigahertz;
constexpr WiFiBand band5 = WiFiBand::fiveGigahertz;
constexpr WiFiBand band6 = WiFiBand::sixGigahertz;

const NumberSeparators english{};
const NumberSeparators german{.decimalSeparator = ",", .groupSeparator = ".", .minusSign = "-"};

ChannelCongestionSample sample(std::int64_t channel, WiFiBand band, double score,
                               std::int64_t count = 1, double normalized = 0.5) {
    return ChannelCongestionSample{.channelNumber = channel,
                                   .band = band,
                                   .networkCount = count,
                                   .averageRSSIDbm = -60.0,
                                   .interferenceScore = score,
                                   .normalizedCongestion = normalized};
}

ChannelScanResult result(std::vector<ChannelCongestionSample> channels) {
    return ChannelScanResult{.timestamp = {},
                             .passCount = 3,
                             .scannedNetworkCount = 5,
                             .channels = std::move(channels),
                             .currentChannelNumber = std::nullopt,
                             .currentBand = std::nullopt,
                             .currentChannelInterferenceScore = std::nullopt,
                             .suggestedChannelNumber = std::nullopt,
                             .suggestedBand = std::nullopt,
                             .didSucceed = true};
}

std::vector<std::int64_t> channelNumbers(const std::vector<ChannelCongestionSample>& samples) {
    std::vector<std::int64_t> numbers;
    for (const auto& s : samples)
        numbers.push_back(s.channelNumber);
    return numbers;
}

TEST(ChannelSelectionTest, CurrentSelectionMatchesChannelAndBandOrFallsBack) {
    struct Case {
        const char* name;
        std::vector<ChannelCongestionSample> channels;
        std::optional<WiFiBand> currentBand;
        std::optional<double> currentScore;
        std::optional<ChannelScanSelectionSummary> expected;
    };
    const std::vector<Case> cases = {
        {"band match",
         {sample(1, band24, 0.2), sample(6, band24, 1.8, 4)},
         band24,
         9.0,
         ChannelScanSelectionSummary{6, band24, 1.8, 4}},
        {"first match in stored order",
         {sample(6, band24, 1.0, 2), sample(6, band24, 2.0, 7)},
         band24,
         std::nullopt,
         ChannelScanSelectionSummary{6, band24, 1.0, 2}},
        {"no sample: the result's own score",
         {sample(1, band24, 0.2)},
         band24,
         2.5,
         ChannelScanSelectionSummary{6, band24, 2.5, 0}},
        {"no sample and no score",
         {sample(1, band24, 0.2)},
         band24,
         std::nullopt,
         ChannelScanSelectionSummary{6, band24, 0.0, 0}},
        {"sample only in another band",
         {sample(6, band5, 0.7, 3)},
         band24,
         1.1,
         ChannelScanSelectionSummary{6, band24, 1.1, 0}},
        {"no band: any band matches, its band is used",
         {sample(6, band5, 0.7, 3)},
         std::nullopt,
         1.1,
         ChannelScanSelectionSummary{6, band5, 0.7, 3}},
        {"no band and no sample: Unknown",
         {sample(1, band24, 0.2)},
         std::nullopt,
         std::nullopt,
         ChannelScanSelectionSummary{6, WiFiBand::unknown, 0.0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = result(c.channels);
        r.currentChannelNumber = 6;
        r.currentBand = c.currentBand;
        r.currentChannelInterferenceScore = c.currentScore;
        EXPECT_EQ(currentSelection(r), c.expected);
    }

    auto none = result({sample(6, band24, 1.8)});
    none.currentBand = band24;
    EXPECT_EQ(currentSelection(none), std::nullopt);
}

TEST(ChannelSelectionTest, RecommendationNeedsBothNumberAndBand) {
    auto r = result({sample(1, band5, 0.3, 9), sample(1, band24, 0.1, 2)});
    r.suggestedChannelNumber = 1;
    r.suggestedBand = band24;
    EXPECT_EQ(recommendedSelection(r), (ChannelScanSelectionSummary{1, band24, 0.1, 2}));

    r.suggestedBand = band6;
    EXPECT_EQ(recommendedSelection(r), (ChannelScanSelectionSummary{1, band6, 0.0, 0}));

    r.suggestedBand.reset();
    EXPECT_EQ(recommendedSelection(r), std::nullopt);

    r.suggestedBand = band24;
    r.suggestedChannelNumber.reset();
    EXPECT_EQ(recommendedSelection(r), std::nullopt);
}

TEST(ChannelSelectionTest, NoResultListsNothing) {
    EXPECT_TRUE(displayedChannels(std::nullopt).empty());
}

TEST(ChannelSelectionTest, PinsCurrentThenSuggestedThenBestScoredOfTheBand) {
    // Eleven 2.4 GHz channels and two of another band that must not show.
    const double scores[] = {0.1, 0.8, 0.5, 0.3, 0.7, 0.9, 0.2, 0.6, 0.4, 1.2, 1.0};
    std::vector<ChannelCongestionSample> channels;
    for (int ch = 1; ch <= 11; ++ch)
        channels.push_back(sample(ch, band24, scores[ch - 1]));
    channels.push_back(sample(36, band5, 0.0));
    channels.push_back(sample(40, band5, 0.0));
    auto r = result(channels);
    r.currentChannelNumber = 6;
    r.currentBand = band24;
    r.suggestedChannelNumber = 1;
    r.suggestedBand = band24;

    EXPECT_EQ(channelNumbers(displayedChannels(r)),
              (std::vector<std::int64_t>{6, 1, 7, 4, 9, 3, 8, 5, 2, 11, 10}));
}

TEST(ChannelSelectionTest, StopsAtTwelveWithoutAnActiveBand) {
    std::vector<ChannelCongestionSample> channels;
    for (int ch = 1; ch <= 11; ++ch)
        channels.push_back(sample(ch, band24, 1.0 + ch));
    for (int ch : {36, 40, 44, 48})
        channels.push_back(sample(ch, band5, ch / 100.0));
    channels.push_back(sample(37, band6, 0.05));
    auto r = result(channels);
    // A current channel without any band: pinned from every band's samples.
    r.currentChannelNumber = 11;

    const auto rows = displayedChannels(r);
    EXPECT_EQ(channelNumbers(rows),
              (std::vector<std::int64_t>{11, 37, 36, 40, 44, 48, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(rows.size(), maximumDisplayedChannels);
}

TEST(ChannelSelectionTest, EqualScoresKeepChannelOrderThenStoredOrder) {
    // No active band: the second sample of channel 36 is left out, the first
    // stored one (5 GHz, 3 networks) stays.
    auto r = result({sample(40, band5, 1.0), sample(36, band5, 1.0, 3), sample(36, band6, 1.0, 8),
                     sample(44, band5, 0.5)});
    const auto rows = displayedChannels(r);
    EXPECT_EQ(channelNumbers(rows), (std::vector<std::int64_t>{44, 36, 40}));
    EXPECT_EQ(rows[1].band, band5);
    EXPECT_EQ(rows[1].networkCount, 3);
}

TEST(ChannelSelectionTest, PlaceholderForAPinnedChannelMissingFromTheBand) {
    auto r = result({sample(36, band5, 0.4), sample(100, band6, 0.1)});
    r.currentChannelNumber = 100;
    r.currentBand = band5;
    const auto rows = displayedChannels(r);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (ChannelCongestionSample{.channelNumber = 100,
                                                .band = band5,
                                                .networkCount = 0,
                                                .averageRSSIDbm = -100.0,
                                                .interferenceScore = 0.0,
                                                .normalizedCongestion = 0.0}));
    EXPECT_EQ(rows[1].channelNumber, 36);
}

TEST(ChannelSelectionTest, ActiveBandFallsBackToTheSuggestedBand) {
    auto r = result({sample(1, band24, 0.4), sample(36, band5, 0.2), sample(149, band5, 0.1)});
    r.currentChannelNumber = 6;
    r.suggestedChannelNumber = 149;
    r.suggestedBand = band5;
    // Channel 6 is looked for among the 5 GHz candidates; its placeholder is a 5 GHz one.
    EXPECT_EQ(channelNumbers(displayedChannels(r)), (std::vector<std::int64_t>{6, 149, 36}));
    EXPECT_EQ(displayedChannels(r)[0].band, band5);
}

TEST(ChannelSelectionTest, PinnedNumberSkippedWithoutAnyBandAndListedOnceWhenBothAgree) {
    auto noBand = result({sample(1, band24, 0.4), sample(36, band5, 0.2)});
    noBand.currentChannelNumber = 100;
    EXPECT_EQ(channelNumbers(displayedChannels(noBand)), (std::vector<std::int64_t>{36, 1}));

    auto same = result({sample(1, band24, 0.4), sample(6, band24, 0.9)});
    same.currentChannelNumber = 6;
    same.currentBand = band24;
    same.suggestedChannelNumber = 6;
    same.suggestedBand = band24;
    EXPECT_EQ(channelNumbers(displayedChannels(same)), (std::vector<std::int64_t>{6, 1}));
}

TEST(ChannelSelectionTest, ScoresThatAreNotFiniteSortAsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto r = result({sample(1, band24, 0.5), sample(2, band24, nan), sample(3, band24, 0.2),
                     sample(4, band24, inf), sample(5, band24, -0.1)});
    r.currentBand = band24;
    EXPECT_EQ(channelNumbers(displayedChannels(r)), (std::vector<std::int64_t>{5, 2, 4, 3, 1}));
}

struct SentenceCase {
    const char* name;
    std::int64_t currentChannel;
    WiFiBand currentBand;
    double currentScore;
    std::int64_t suggestedChannel;
    WiFiBand suggestedBand;
    double suggestedScore;
    const char* english;
    const char* inGerman;
};

TEST(ChannelSelectionTest, EverySentenceWithItsPercentWorkedByHand) {
    const SentenceCase cases[] = {
        {"75: 2.0 -> 0.5", 6, band24, 2.0, 1, band24, 0.5,
         "Switching to Ch 1 may reduce interference by about 75%.",
         "Switching to Ch 1 may reduce interference by about 75%."},
        {"50: 1.0 vs 1.5", 6, band24, 1.0, 1, band24, 1.5,
         "Current channel is about 50% cleaner than the recommended channel right now.",
         "Current channel is about 50% cleaner than the recommended channel right now."},
        {"40: base floor 0.01", 6, band24, 0.004, 11, band24, 0.0,
         "Switching to Ch 11 may reduce interference by about 40%.",
         "Switching to Ch 11 may reduce interference by about 40%."},
        {"3000: current 0", 6, band24, 0.0, 1, band24, 0.3,
         "Current channel is about 3,000% cleaner than the recommended channel right now.",
         "Current channel is about 3.000% cleaner than the recommended channel right now."},
        {"33.3: 3.0 -> 2.0", 36, band5, 3.0, 149, band5, 2.0,
         "Switching to Ch 149 may reduce interference by about 33.3%.",
         "Switching to Ch 149 may reduce interference by about 33,3%."},
        {"floor at exactly 0.01", 6, band24, 0.01, 1, band24, 0.0,
         "Switching to Ch 1 may reduce interference by about 100%.",
         "Switching to Ch 1 may reduce interference by about 100%."},
        {"just above the floor", 6, band24, 0.02, 1, band24, 0.01,
         "Switching to Ch 1 may reduce interference by about 50%.",
         "Switching to Ch 1 may reduce interference by about 50%."},
        {"channel numbers are not grouped", 6, band6, 2.0, 1001, band6, 1.0,
         "Switching to Ch 1001 may reduce interference by about 50%.",
         "Switching to Ch 1001 may reduce interference by about 50%."},
        {"equal scores on different channels", 6, band24, 0.7, 1, band24, 0.7,
         "Current and recommended channels have the same measured interference.",
         "Current and recommended channels have the same measured interference."},
        {"same channel and band, whatever the scores", 6, band24, 2.0, 6, band24, 0.1,
         "Current channel already matches the recommendation.",
         "Current channel already matches the recommendation."},
        {"same number in another band is a switch", 37, band6, 0.5, 37, band5, 0.25,
         "Switching to Ch 37 may reduce interference by about 50%.",
         "Switching to Ch 37 may reduce interference by about 50%."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = result({sample(c.currentChannel, c.currentBand, c.currentScore),
                         sample(c.suggestedChannel, c.suggestedBand, c.suggestedScore)});
        r.currentChannelNumber = c.currentChannel;
        r.currentBand = c.currentBand;
        r.suggestedChannelNumber = c.suggestedChannel;
        r.suggestedBand = c.suggestedBand;
        EXPECT_EQ(recommendationSentence(r, english), c.english);
        EXPECT_EQ(recommendationSentence(r, german), c.inGerman);
    }
}

TEST(ChannelSelectionTest, RunAScanSentenceWithoutEitherSelection) {
    const std::string runAScan = "Run a scan to compare current and recommended channel strength.";
    auto r = result({sample(6, band24, 1.0), sample(1, band24, 0.1)});
    r.suggestedChannelNumber = 1;
    r.suggestedBand = band24;
    EXPECT_EQ(recommendationSentence(r, english), runAScan);

    r.currentChannelNumber = 6;
    r.suggestedBand.reset();
    EXPECT_EQ(recommendationSentence(r, english), runAScan);
}

TEST(ChannelSelectionTest, ANonFiniteScoreComparesAsZero) {
    auto r = result(
        {sample(6, band24, std::numeric_limits<double>::quiet_NaN()), sample(1, band24, 0.3)});
    r.currentChannelNumber = 6;
    r.currentBand = band24;
    r.suggestedChannelNumber = 1;
    r.suggestedBand = band24;
    EXPECT_EQ(recommendationSentence(r, english),
              "Current channel is about 3,000% cleaner than the recommended channel right now.");
}

} // namespace
} // namespace lumra
