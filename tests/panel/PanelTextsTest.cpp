#include "panel/viewmodel/PanelTexts.h"

#include "panel/viewmodel/PanelRoute.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

WiFiSnapshot snapshotWith(std::optional<std::string> ssid, std::optional<std::int64_t> channel,
                          std::optional<WiFiBand> band) {
    WiFiSnapshot s{};
    s.ssid = std::move(ssid);
    s.channelNumber = channel;
    s.band = band;
    s.rssiDbm = -60;
    s.noiseFloorDbm = -92;
    return s;
}

TEST(PanelTexts, BadgesOfEveryValue) {
    EXPECT_EQ(healthStateBadge(HealthState::good), (BadgeModel{"Good", StatusColor::green}));
    EXPECT_EQ(healthStateBadge(HealthState::warning), (BadgeModel{"Warning", StatusColor::orange}));
    EXPECT_EQ(healthStateBadge(HealthState::poor), (BadgeModel{"Poor", StatusColor::red}));
    EXPECT_EQ(healthStateBadge(HealthState::disconnected),
              (BadgeModel{"Disconnected", StatusColor::gray}));
    EXPECT_EQ(signalQualityBadge(SignalQuality::good), (BadgeModel{"Good", StatusColor::green}));
    EXPECT_EQ(signalQualityBadge(SignalQuality::warning),
              (BadgeModel{"Warning", StatusColor::orange}));
    EXPECT_EQ(signalQualityBadge(SignalQuality::poor), (BadgeModel{"Poor", StatusColor::red}));
}

TEST(PanelTexts, NetworkName) {
    EXPECT_EQ(wifiNetworkName(std::nullopt), "Wi-Fi Name Unavailable");
    EXPECT_EQ(wifiNetworkName(snapshotWith("", 36, std::nullopt)), "Wi-Fi Name Unavailable");
    EXPECT_EQ(wifiNetworkName(snapshotWith(std::nullopt, 36, std::nullopt)),
              "Wi-Fi Name Unavailable");
    // Verbatim: neither trimmed nor interpreted.
    EXPECT_EQ(wifiNetworkName(snapshotWith(" <b>x</b><img src=x> ", 1, std::nullopt)),
              " <b>x</b><img src=x> ");
}

TEST(PanelTexts, ChannelDetails) {
    using B = WiFiBand;
    EXPECT_EQ(channelDetailsText(snapshotWith("a", 36, B::fiveGigahertz)), "Channel 36 (5 GHz)");
    EXPECT_EQ(channelDetailsText(snapshotWith("a", 1, B::twoPointFourGigahertz)),
              "Channel 1 (2.4 GHz)");
    EXPECT_EQ(channelDetailsText(snapshotWith("a", 149, B::unknown)), "Channel 149 (Unknown)");
    EXPECT_EQ(channelDetailsText(snapshotWith("a", 36, std::nullopt)), "Channel 36");
    EXPECT_EQ(channelDetailsText(snapshotWith("a", std::nullopt, B::sixGigahertz)),
              "Channel unavailable");
    EXPECT_EQ(channelDetailsText(std::nullopt), "Channel unavailable");
    // No grouping in channel numbers.
    EXPECT_EQ(channelDetailsText(snapshotWith("a", 1234, std::nullopt)), "Channel 1234");
}

TEST(PanelTexts, HeaderModel) {
    const auto none = wifiHeaderModel(std::nullopt, false);
    EXPECT_EQ(none.networkName, "Wi-Fi Name Unavailable");
    EXPECT_FALSE(none.isConnected);
    EXPECT_FALSE(none.bandText);
    // A band without channel still shows the chip; its help reads unavailable.
    const auto bandOnly =
        wifiHeaderModel(snapshotWith("Home", std::nullopt, WiFiBand::sixGigahertz), true);
    EXPECT_EQ(bandOnly.bandText, "6 GHz");
    EXPECT_EQ(bandOnly.channelDetails, "Channel unavailable");
    EXPECT_TRUE(bandOnly.isConnected);
}

TEST(PanelRoutes, HeightsAndBackDestinations) {
    const std::pair<PanelRoute, double> heights[] = {
        {PanelRoute::dashboard, 650},     {PanelRoute::settings, 560},
        {PanelRoute::toolbox, 650},       {PanelRoute::connectionMonitor, 430},
        {PanelRoute::captivePortal, 430},
    };
    for (const auto& [route, height] : heights) {
        EXPECT_EQ(preferredPopoverHeight(route), height) << rawValue(route);
        // The host's clamp to 320...700 leaves every height as it is.
        EXPECT_GE(height, 320);
        EXPECT_LE(height, 700);
    }
    EXPECT_EQ(backDestination(PanelRoute::toolbox), PanelRoute::dashboard);
    EXPECT_EQ(backDestination(PanelRoute::settings), PanelRoute::dashboard);
    EXPECT_EQ(backDestination(PanelRoute::connectionMonitor), PanelRoute::toolbox);
    EXPECT_EQ(backDestination(PanelRoute::captivePortal), PanelRoute::toolbox);
}

TEST(PanelRoutes, EveryChangeReportsTheHeight) {
    std::vector<double> reported;
    PanelRouter router([&](double h) { reported.push_back(h); });
    EXPECT_EQ(router.activePanel(), PanelRoute::dashboard);
    router.appear();
    router.showPanel(PanelRoute::toolbox);
    router.showPanel(PanelRoute::connectionMonitor);
    router.back();
    EXPECT_EQ(router.activePanel(), PanelRoute::toolbox);
    router.showPanel(PanelRoute::captivePortal);
    router.back();
    router.back();
    EXPECT_EQ(router.activePanel(), PanelRoute::dashboard);
    router.showPanel(PanelRoute::settings);
    router.back();
    // Coming on screen again reports the page it still shows.
    router.showPanel(PanelRoute::toolbox);
    router.appear();
    EXPECT_EQ(reported,
              (std::vector<double>{650, 650, 430, 650, 430, 650, 650, 560, 650, 650, 650}));
}

} // namespace
} // namespace lumra
