#include "windows/radar/viewmodel/LinkQualityScore.h"

#include "RadarTestReadings.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::radarReading;

TEST(LinkQualityScoreTest, ScoresReadingsAsWorkedByHand) {
    struct Case {
        std::int64_t rssi, noise;
        std::optional<std::int64_t> snr, rate;
        int score;
    };
    // Terms: signal 0.40 x (rssi + 90) / 45, SNR 0.35 x snr / 50, noise
    // 0.15 x (1 - (noise + 100) / 30), rate 0.10 x rate / 1200, each held
    // to its weight and 0.
    const Case cases[] = {
        // 26.67 + 24.50 + 12.50 + 5.00 = 68.67
        {-60, -95, 35, 600, 69},
        // 35.56 + 28.00 + 10.00 + 7.22 = 80.77
        {-50, -90, 40, 866, 81},
        // 17.78 + 15.40 + 11.00 + 2.50 = 46.68
        {-70, -92, 22, 300, 47},
        // 8.89 + 10.50 + 12.50 + 0.60 = 32.49
        {-80, -95, 15, 72, 32},
        // every term at its full weight
        {-45, -100, 50, 1200, 100},
        // better than full weight still 100
        {-20, -110, 70, 2400, 100},
        // nothing anywhere
        {-90, -70, std::nullopt, std::nullopt, 0},
        {-100, -50, -5, 0, 0},
        // without SNR and rate at most 40 + 15
        {-30, -101, std::nullopt, std::nullopt, 55},
        // a zero or negative SNR and rate add nothing
        {-45, -100, 0, 0, 55},
        {-45, -100, -5, -10, 55},
        // 40 + 4.5 = 44.5: halves round away from zero
        {-45, -79, std::nullopt, std::nullopt, 45},
        // 40 + 35 + 10.5 = 85.5
        {-45, -91, 50, std::nullopt, 86},
        // only the quiet floor: 15
        {-90, -100, std::nullopt, std::nullopt, 15},
        // 22.22 + 0 + 15 + 0.008 (a rate of 1 Mbit/s)
        {-65, -100, std::nullopt, 1, 37},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rssi << " " << c.noise);
        EXPECT_EQ(linkQualityScore(radarReading(c.rssi, c.noise, c.snr, c.rate)), c.score);
    }
}

TEST(LinkQualityScoreTest, NoReadingScoresZeroAsAWeakOrangeSpot) {
    EXPECT_EQ(linkQualityScore(std::nullopt), 0);
    EXPECT_EQ(radarSpotVerdict(0), "Weak spot: move closer to the router.");
    EXPECT_EQ(radarScoreColor(0), StatusColor::orange);
}

TEST(LinkQualityScoreTest, VerdictsAndColoursChangeAtTheirOwnBoundaries) {
    struct Case {
        int score;
        std::string_view verdict;
        StatusColor tint;
    };
    constexpr std::string_view great = "Great spot: strong signal here.";
    constexpr std::string_view good = "Good spot: signal is stable.";
    constexpr std::string_view moving = "Keep moving: signal can improve.";
    constexpr std::string_view weak = "Weak spot: move closer to the router.";
    const Case cases[] = {
        {100, great, StatusColor::mint},
        {86, great, StatusColor::mint},
        {85, good, StatusColor::mint},
        {80, good, StatusColor::mint},
        {75, good, StatusColor::mint},
        {74, good, StatusColor::yellow},
        {70, good, StatusColor::yellow},
        {66, good, StatusColor::yellow},
        {65, moving, StatusColor::yellow},
        {46, moving, StatusColor::yellow},
        {45, weak, StatusColor::yellow},
        {44, weak, StatusColor::orange},
        {0, weak, StatusColor::orange},
        // outside 0...100 falls to the last row of each table
        {101, weak, StatusColor::orange},
        {-1, weak, StatusColor::orange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.score);
        EXPECT_EQ(radarSpotVerdict(c.score), c.verdict);
        EXPECT_EQ(radarScoreColor(c.score), c.tint);
    }
}

TEST(LinkQualityScoreTest, TheDirectionComparesTheOlderAndNewerHalvesOfTheLastEightScores) {
    struct Case {
        std::vector<double> scores;
        bool goBack;
    };
    const Case cases[] = {
        {{}, false},
        {{90}, false},
        {{80, 60}, true},
        {{60, 80}, false},
        {{70, 70}, false},
        // older [70], newer [60, 65] (62.5)
        {{70, 60, 65}, true},
        // older [60], newer [70, 50] (60): equal means keep going
        {{60, 70, 50}, false},
        // eight: [50 50 50 50] against [40 40 40 40]
        {{50, 50, 50, 50, 40, 40, 40, 40}, true},
        // the four oldest of twelve do not count
        // (all twelve would answer the other way round)
        {{100, 100, 100, 100, 50, 50, 50, 50, 60, 60, 60, 60}, false},
        {{0, 0, 0, 0, 50, 50, 50, 50, 40, 40, 40, 40}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.scores));
        EXPECT_EQ(shouldSuggestGoingBack(c.scores), c.goBack);
    }
    EXPECT_EQ(radarDirectionHint(true),
              (RadarDirectionHint{"arrow.uturn.backward.circle.fill", "go back"}));
    EXPECT_EQ(radarDirectionHint(false),
              (RadarDirectionHint{"arrow.forward.circle.fill", "keep going"}));
}

TEST(LinkQualityScoreTest, TheScoreHistoryScoresEverySampleOldestFirst) {
    EXPECT_EQ(radarScoreHistory({}), std::vector<double>{});
    EXPECT_EQ(radarScoreHistory({radarReading(-60, -95, 35, 600), radarReading(-90, -70, {}, {}),
                                 radarReading(-45, -100, 50, 1200)}),
              (std::vector<double>{69, 0, 100}));
}

} // namespace
} // namespace lumra
