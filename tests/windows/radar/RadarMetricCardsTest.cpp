#include "windows/radar/viewmodel/RadarMetricCards.h"

#include "RadarTestReadings.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::radarReading;

TEST(RadarMetricCardsTest, WithoutDataTheCardsShowTheirEmptyValues) {
    const auto cards = radarMetricCards(std::nullopt, 0, {});
    ASSERT_EQ(cards.size(), 4u);
    std::vector<std::string> texts;
    for (const auto& card : cards)
        texts.push_back(card.title + ": " + card.valueText);
    EXPECT_EQ(texts, (std::vector<std::string>{"Quality: 0", "SNR: \u2014 dB", "RSSI: 0 dBm",
                                               "Speed: 0 Mbps"}));
    for (const auto& card : cards)
        EXPECT_TRUE(card.samples.empty()) << card.title;
    EXPECT_EQ(cards[3].yDomain, (ChartDomain{0, 200}));
}

TEST(RadarMetricCardsTest, ValuesAreTheCurrentReadingsIntegersAndRangesAreFixedButSpeeds) {
    const WiFiSnapshot current = radarReading(-60, -95, 35, 600);
    const std::vector<WiFiSnapshot> history{radarReading(-50, -90, 40, 866),
                                            radarReading(-60, -95, 35, 600)};
    const auto cards = radarMetricCards(current, 69, history);
    ASSERT_EQ(cards.size(), 4u);
    EXPECT_EQ(cards[0].valueText, "69");
    EXPECT_EQ(cards[0].samples, (std::vector<double>{81, 69}));
    EXPECT_EQ(cards[0].yDomain, (ChartDomain{0, 100}));
    EXPECT_EQ(cards[1].valueText, "35 dB");
    EXPECT_EQ(cards[1].samples, (std::vector<double>{40, 35}));
    EXPECT_EQ(cards[1].yDomain, (ChartDomain{0, 50}));
    EXPECT_EQ(cards[2].valueText, "-60 dBm");
    EXPECT_EQ(cards[2].samples, (std::vector<double>{-50, -60}));
    EXPECT_EQ(cards[2].yDomain, (ChartDomain{-95, -30}));
    // The fastest rate of the series widens the range past 200.
    EXPECT_EQ(cards[3].valueText, "600 Mbps");
    EXPECT_EQ(cards[3].samples, (std::vector<double>{866, 600}));
    EXPECT_EQ(cards[3].yDomain, (ChartDomain{0, 866}));
    const auto plotted = sparklinePlotValues(cards[3].samples, cards[3].yDomain);
    EXPECT_DOUBLE_EQ(plotted.front(), 1.0);
}

TEST(RadarMetricCardsTest, SamplesWithoutSNROrRateAreSkippedAndSlowRatesKeepTwoHundred) {
    const std::vector<WiFiSnapshot> history{radarReading(-70, -92, std::nullopt, 144),
                                            radarReading(-72, -92, 20, std::nullopt),
                                            radarReading(-100, -92, std::nullopt, 72)};
    const auto cards = radarMetricCards(history.back(), 0, history);
    EXPECT_EQ(cards[1].valueText, "\u2014 dB");
    EXPECT_EQ(cards[1].samples, (std::vector<double>{20}));
    EXPECT_EQ(cards[2].samples, (std::vector<double>{-70, -72, -100}));
    EXPECT_EQ(cards[3].samples, (std::vector<double>{144, 72}));
    EXPECT_EQ(cards[3].yDomain, (ChartDomain{0, 200}));
    // Off the RSSI card's bottom is drawn at the bottom.
    EXPECT_DOUBLE_EQ(sparklinePlotValues(cards[2].samples, cards[2].yDomain).back(), 0.0);

    const auto bare =
        radarMetricCards(std::nullopt, 0, {radarReading(-70, -92, std::nullopt, std::nullopt)});
    EXPECT_TRUE(bare[1].samples.empty());
    EXPECT_TRUE(bare[3].samples.empty());
}

TEST(RadarMetricCardsTest, TheSeriesComeFromTheWiFiMonitorOnlyWhileTheFeedHasNone) {
    const std::vector<WiFiSnapshot> feed{radarReading(-50, -90, 40, 866)};
    const std::vector<WiFiSnapshot> monitor{radarReading(-70, -92, 22, 300)};
    EXPECT_EQ(&radarSeriesSource(feed, monitor), &feed);
    EXPECT_EQ(&radarSeriesSource({}, monitor), &monitor);
}

} // namespace
} // namespace lumra
