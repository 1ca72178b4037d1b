#include "windows/radar/viewmodel/WiFiRadarWindowState.h"

#include "RadarTestReadings.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::radarReading;

RadarNearbyNetwork nearby(std::string ssid, std::int64_t signal, std::int64_t channel = 11,
                          WiFiBand band = WiFiBand::twoPointFourGigahertz) {
    return {"id-" + ssid + std::to_string(signal), std::move(ssid), signal, channel, band};
}

class WiFiRadarWindowStateTest : public ::testing::Test {
protected:
    WiFiRadarWindowState state() const {
        return makeWiFiRadarWindowState(
            {radarLatest, radarHistory, wifiLatest, wifiHistory, networks, errorMessage});
    }
    std::vector<std::string> listedNames() const {
        std::vector<std::string> names;
        for (const auto& row : state().nearbyRows)
            names.push_back(row.ssid);
        return names;
    }

    std::optional<WiFiSnapshot> radarLatest;
    std::vector<WiFiSnapshot> radarHistory;
    std::optional<WiFiSnapshot> wifiLatest;
    std::vector<WiFiSnapshot> wifiHistory;
    std::vector<RadarNearbyNetwork> networks;
    std::optional<std::string> errorMessage;
};

TEST_F(WiFiRadarWindowStateTest, WithoutAnyReadingTheWindowSaysNoWiFiAndScoresZero) {
    const auto s = state();
    EXPECT_EQ(s.networkTitle, "No Wi-Fi Network");
    EXPECT_FALSE(s.showsCurrentTag);
    EXPECT_EQ(s.channelText, "Channel unavailable");
    EXPECT_EQ(s.scoreText, "0");
    EXPECT_EQ(s.scoreText, "0");
    EXPECT_EQ(s.verdict, "Weak spot: move closer to the router.");
    EXPECT_EQ(s.tint, StatusColor::orange);
    EXPECT_EQ(s.centreSymbolName, "exclamationmark.triangle.fill");
    EXPECT_EQ(s.directionHint.text, "keep going");
    EXPECT_TRUE(s.nearbyRows.empty());
    EXPECT_EQ(s.nearbyPlaceholder, "Scanning nearby networks...");
}

TEST_F(WiFiRadarWindowStateTest, AConnectedReadingShowsItsNameTagChannelScoreAndCards) {
    radarLatest = radarReading(-50, -90, 40, 866, "Home", 36, WiFiBand::fiveGigahertz);
    radarHistory = {radarReading(-60, -95, 35, 600), *radarLatest};
    const auto s = state();
    EXPECT_EQ(s.networkTitle, "Home");
    EXPECT_TRUE(s.showsCurrentTag);
    EXPECT_EQ(s.channelText, "Ch 36 . 5 GHz");
    EXPECT_EQ(s.scoreText, "81");
    EXPECT_EQ(s.verdict, "Good spot: signal is stable.");
    EXPECT_EQ(s.tint, StatusColor::mint);
    EXPECT_EQ(s.centreSymbolName, "checkmark.circle.fill");
    // 69 then 81: getting better.
    EXPECT_EQ(s.directionHint.text, "keep going");
    ASSERT_EQ(s.cards.size(), 4u);
    EXPECT_EQ(s.cards[0].samples, (std::vector<double>{69, 81}));
    EXPECT_EQ(s.cards[3].valueText, "866 Mbps");
}

TEST_F(WiFiRadarWindowStateTest, TheWiFiMonitorStandsInUntilTheFeedHasReadings) {
    wifiLatest = radarReading(-70, -92, 22, 300, "Office", 6, WiFiBand::twoPointFourGigahertz);
    wifiHistory = {radarReading(-50, -90, 40, 866), *wifiLatest};
    auto s = state();
    EXPECT_EQ(s.networkTitle, "Office");
    EXPECT_EQ(s.channelText, "Ch 6 . 2.4 GHz");
    EXPECT_EQ(s.scoreText, "47");
    // 81 then 47: getting worse.
    EXPECT_EQ(s.directionHint.text, "go back");
    EXPECT_EQ(s.cards[0].samples, (std::vector<double>{81, 47}));

    radarLatest = radarReading(-45, -100, 50, 1200, "Home");
    radarHistory = {*radarLatest};
    s = state();
    EXPECT_EQ(s.networkTitle, "Home");
    EXPECT_EQ(s.scoreText, "100");
    EXPECT_EQ(s.verdict, "Great spot: strong signal here.");
    EXPECT_EQ(s.cards[0].samples, (std::vector<double>{100}));
    EXPECT_EQ(s.directionHint.text, "keep going");
}

TEST_F(WiFiRadarWindowStateTest, ABlankOrMissingNameReadsNoWiFiNetworkWithoutATag) {
    for (const std::optional<std::string>& ssid :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>(" \t\n"), std::optional<std::string>("\u3000")}) {
        radarLatest = radarReading(-60, -95, 35, 600, ssid);
        const auto s = state();
        EXPECT_EQ(s.networkTitle, "No Wi-Fi Network");
        EXPECT_FALSE(s.showsCurrentTag);
        EXPECT_EQ(s.channelText, "Ch 36 . 5 GHz");
    }
    // A real name is shown as reported, its white space too.
    radarLatest = radarReading(-60, -95, 35, 600, " Home ");
    EXPECT_EQ(state().networkTitle, " Home ");
    EXPECT_TRUE(state().showsCurrentTag);
}

TEST_F(WiFiRadarWindowStateTest, ChannelTexts) {
    EXPECT_EQ(radarChannelText(36, WiFiBand::fiveGigahertz), "Ch 36 . 5 GHz");
    EXPECT_EQ(radarChannelText(11, WiFiBand::twoPointFourGigahertz), "Ch 11 . 2.4 GHz");
    EXPECT_EQ(radarChannelText(5, WiFiBand::sixGigahertz), "Ch 5 . 6 GHz");
    EXPECT_EQ(radarChannelText(149, std::nullopt), "Ch 149 . Unknown");
    EXPECT_EQ(radarCurrentChannelText(
                  radarReading(-60, -95, 35, 600, "Home", std::nullopt, std::nullopt)),
              "Channel unavailable");
    EXPECT_EQ(radarCurrentChannelText(std::nullopt), "Channel unavailable");
}

TEST_F(WiFiRadarWindowStateTest, NearbyRowsLeaveOutTheCurrentNetworkTrimmedAndIgnoringCase) {
    radarLatest = radarReading(-50, -90, 40, 866, "Home ");
    networks = {nearby("home", -40),
                nearby("Cafe", -55),
                nearby(" HOME", -60, 36, WiFiBand::fiveGigahertz),
                nearby("Home", -70, 1),
                nearby("Homely", -75),
                nearby("Hidden-6", -80, 6)};
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Cafe", "Homely", "Hidden-6"}));
    EXPECT_TRUE(state().showsCurrentTag);
    const RadarNearbyRow row = state().nearbyRows.front();
    EXPECT_EQ(row, (RadarNearbyRow{"id-Cafe-55", "Cafe", "-55 dBm", "Ch 11 . 2.4 GHz"}));

    // No current name: everything is listed, in the scanner's order.
    radarLatest.reset();
    EXPECT_EQ(listedNames(),
              (std::vector<std::string>{"home", "Cafe", " HOME", "Home", "Homely", "Hidden-6"}));
    EXPECT_FALSE(state().showsCurrentTag);
}

TEST_F(WiFiRadarWindowStateTest, AnEmptyListShowsTheScannersSentenceOrScanning) {
    radarLatest = radarReading(-50, -90, 40, 866, "Home");
    networks = {nearby("HOME", -40)};
    // Every scanned network is the current one.
    EXPECT_TRUE(state().nearbyRows.empty());
    EXPECT_EQ(state().nearbyPlaceholder, "Scanning nearby networks...");
    errorMessage = "Nearby scan unavailable.";
    EXPECT_EQ(state().nearbyPlaceholder, "Nearby scan unavailable.");
}

TEST_F(WiFiRadarWindowStateTest, NamesCompareIgnoringCaseBeyondASCII) {
    EXPECT_TRUE(equalIgnoringCase("Caf\u00C9", "caf\u00E9"));
    EXPECT_TRUE(equalIgnoringCase("\u0414\u041E\u041C", "\u0434\u043E\u043C"));
    EXPECT_TRUE(equalIgnoringCase("\u03A9MEGA", "\u03C9mega"));
    EXPECT_TRUE(equalIgnoringCase("\u0141\u00D3D\u0179", "\u0142\u00F3d\u017A"));
    EXPECT_FALSE(equalIgnoringCase("Cafe", "Caf\u00E9"));
    EXPECT_FALSE(equalIgnoringCase("Home", "Home2"));
    EXPECT_FALSE(equalIgnoringCase("\u00D7", "\u00F7"));
    // Bytes that are not UTF-8 match only themselves.
    EXPECT_TRUE(equalIgnoringCase("a\xff", "A\xff"));
    EXPECT_FALSE(equalIgnoringCase("a\xff", "a\xfe"));
    EXPECT_FALSE(equalIgnoringCase("\xc3", "\xc3\xa9"));
}

} // namespace
} // namespace lumra
