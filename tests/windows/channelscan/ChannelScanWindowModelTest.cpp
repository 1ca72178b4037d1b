#include "windows/channelscan/viewmodel/ChannelScanWindowModel.h"

#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

constexpr WiFiBand band5 = WiFiBand::fiveGigahertz;
const NumberSeparators english{};
const NumberSeparators german{.decimalSeparator = ",", .groupSeparator = ".", .minusSign = "-"};

ChannelScanResult fiveGigahertzResult() {
    return ChannelScanResult{
        .timestamp = {},
        .passCount = 3,
        .scannedNetworkCount = 14,
        .channels = {{36, band5, 4, -61.0, 2.0, 0.8},
                     {40, band5, 1, -70.0, 0.5, 0.2},
                     {44, band5, 0, -100.0, 1.0, 0.4}},
        .currentChannelNumber = 36,
        .currentBand = band5,
        .currentChannelInterferenceScore = 2.0,
        .suggestedChannelNumber = 40,
        .suggestedBand = band5,
        .didSucceed = true,
    };
}

TEST(ChannelScanWindowModelTest, LayoutButtonAndProgressInEachState) {
    struct Case {
        bool hasResult;
        bool isScanning;
        ChannelScanLayout layout;
        bool showsHeaderButton;
        const char* title;
        ScanButtonAction action;
    };
    const Case cases[] = {
        {false, false, ChannelScanLayout::emptyIdle, false, "Scan Now",
         ScanButtonAction::startScan},
        {false, true, ChannelScanLayout::emptyScanning, true, "Cancel",
         ScanButtonAction::cancelRunningTask},
        {true, false, ChannelScanLayout::resultIdle, true, "Scan Again",
         ScanButtonAction::startScan},
        {true, true, ChannelScanLayout::resultScanning, true, "Cancel",
         ScanButtonAction::cancelRunningTask},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ChannelScanWindowInput input;
        if (c.hasResult)
            input.latestResult = fiveGigahertzResult();
        input.isScanning = c.isScanning;
        input.completedPasses = 1;
        input.totalPasses = 3;
        const auto model = channelScanWindowModel(input, english);
        EXPECT_EQ(model.layout, c.layout);
        EXPECT_EQ(model.showsHeaderButton, c.showsHeaderButton);
        EXPECT_EQ(model.buttonTitle, c.title);
        EXPECT_EQ(model.buttonAction, c.action);
        EXPECT_EQ(model.showsProgress, c.isScanning);
        EXPECT_EQ(model.progressValue / model.progressTotal, 1.0 / 3.0);
        EXPECT_EQ(model.rows.empty(), !c.hasResult);
    }
}

TEST(ChannelScanWindowModelTest, NoPlannedPassesGivesATotalOfOne) {
    ChannelScanWindowInput input{.isScanning = true, .completedPasses = 0, .totalPasses = 0};
    const auto model = channelScanWindowModel(input, english);
    EXPECT_EQ(model.progressTotal, 1.0);
    EXPECT_EQ(model.progressValue, 0.0);
}

TEST(ChannelScanWindowModelTest, CardsChipsSentenceAndRowsOfAResult) {
    const auto model = channelScanWindowModel({.latestResult = fiveGigahertzResult()}, english);
    EXPECT_EQ(model.networksSeenText, "14");
    EXPECT_EQ(model.passesText, "3");
    EXPECT_EQ(model.currentCard, (ChannelScanCard{"Current", StatusColor::blue, "Ch 36 (5 GHz)",
                                                  "Score 2.00", "4 nearby networks"}));
    EXPECT_EQ(model.recommendedCard,
              (ChannelScanCard{"Recommended", StatusColor::green, "Ch 40 (5 GHz)", "Score 0.50",
                               "1 nearby network"}));
    EXPECT_EQ(model.sentence, "Switching to Ch 40 may reduce interference by about 75%.");
    ASSERT_EQ(model.rows.size(), 3u);
    EXPECT_EQ(model.rows[0], (ChannelScanRow{36, "Ch 36", true, false, "Score 2.00", "4 networks",
                                             0.8, StatusColor::red}));
    EXPECT_EQ(model.rows[1], (ChannelScanRow{40, "Ch 40", false, true, "Score 0.50", "1 network",
                                             0.2, StatusColor::green}));
    EXPECT_EQ(model.rows[2], (ChannelScanRow{44, "Ch 44", false, false, "Score 1.00", "0 networks",
                                             0.4, StatusColor::orange}));
}

TEST(ChannelScanWindowModelTest, MarkersCompareChannelNumbersOnlyAndMayBothHold) {
    auto result = fiveGigahertzResult();
    result.suggestedChannelNumber = 36;
    result.suggestedBand = WiFiBand::sixGigahertz;
    const auto model = channelScanWindowModel({.latestResult = result}, english);
    EXPECT_TRUE(model.rows[0].isCurrent);
    EXPECT_TRUE(model.rows[0].isRecommended);
    EXPECT_EQ(model.recommendedCard.channelText, "Ch 36 (6 GHz)");
    EXPECT_EQ(model.recommendedCard.scoreText, "Score 0.00");
}

TEST(ChannelScanWindowModelTest, MissingSelectionsShowUnavailableAndNoRowsWithoutCandidates) {
    auto result = fiveGigahertzResult();
    result.scannedNetworkCount = 0;
    result.channels.clear();
    result.currentChannelNumber.reset();
    result.currentBand.reset();
    result.suggestedBand.reset();
    const auto model = channelScanWindowModel({.latestResult = result}, english);
    EXPECT_EQ(model.currentCard.channelText, std::nullopt);
    EXPECT_EQ(model.currentCard.scoreText, std::nullopt);
    EXPECT_EQ(model.recommendedCard.countText, std::nullopt);
    EXPECT_EQ(model.sentence, "Run a scan to compare current and recommended channel strength.");
    EXPECT_TRUE(model.rows.empty());
    EXPECT_EQ(model.networksSeenText, "0");
}

TEST(ChannelScanWindowModelTest, CountAndScoreTexts) {
    EXPECT_EQ(cardNetworkCountText(0), "0 nearby networks");
    EXPECT_EQ(cardNetworkCountText(1), "1 nearby network");
    EXPECT_EQ(cardNetworkCountText(2), "2 nearby networks");
    EXPECT_EQ(cardNetworkCountText(1200), "1200 nearby networks");
    EXPECT_EQ(rowNetworkCountText(0), "0 networks");
    EXPECT_EQ(rowNetworkCountText(1), "1 network");
    EXPECT_EQ(rowNetworkCountText(12), "12 networks");

    EXPECT_EQ(channelScoreText(0.0, english), "Score 0.00");
    EXPECT_EQ(channelScoreText(12.3456, english), "Score 12.35");
    EXPECT_EQ(channelScoreText(12.3456, german), "Score 12,35");
    EXPECT_EQ(channelScoreText(1234.5, german), "Score 1.234,50");
    EXPECT_EQ(channelScoreText(std::numeric_limits<double>::quiet_NaN(), english), "Score \u2014");
}

TEST(ChannelScanWindowModelTest, BarColoursAndWidthsAtTheBoundaries) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double normalized;
        StatusColor tint;
        double widthOf200;
    };
    const Case cases[] = {
        {0.0, StatusColor::green, 2.0},        {0.005, StatusColor::green, 2.0},
        {0.3399, StatusColor::green, 67.98},   {0.34, StatusColor::orange, 68.0},
        {0.6699, StatusColor::orange, 133.98}, {0.67, StatusColor::red, 134.0},
        {1.0, StatusColor::red, 200.0},        {1.5, StatusColor::red, 200.0},
        {-0.2, StatusColor::green, 2.0},       {nan, StatusColor::green, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.normalized);
        EXPECT_EQ(congestionBarTint(c.normalized), c.tint);
        EXPECT_DOUBLE_EQ(congestionBarWidth(200.0, c.normalized), c.widthOf200);
    }
}

} // namespace
} // namespace lumra
