#include "panel/viewmodel/DashboardModel.h"

#include "tests/support/PlatformWording.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

const char* const kWaiting = "Connected. Waiting for the first Wi-Fi samples...";
const char* const kNoWiFi =
    "No Wi-Fi connection detected. Connect to a network to see diagnostics.";

WiFiSnapshot snapshot() {
    WiFiSnapshot s{};
    s.ssid = "Home";
    s.rssiDbm = -58;
    s.noiseFloorDbm = -91;
    s.snrDb = 33;
    s.linkRateMbps = 1201;
    s.channelNumber = 36;
    s.band = WiFiBand::fiveGigahertz;
    return s;
}

PingResult ping(std::optional<double> latency, std::optional<double> jitter, double loss) {
    PingResult r{};
    r.latencyMilliseconds = latency;
    r.jitterMilliseconds = jitter;
    r.packetLossPercent = loss;
    r.didSucceed = latency.has_value();
    return r;
}

CaptivePortalStatus captive(std::optional<std::string> url) {
    CaptivePortalStatus s{};
    s.isCaptivePortal = true;
    s.reason = CaptivePortalDetectionReason::redirect;
    if (url) {
        s.portalURL = Url::parse(*url);
    }
    return s;
}

TEST(DashboardTexts, Message) {
    EXPECT_EQ(dashboardMessage(true, false), kWaiting);
    EXPECT_EQ(dashboardMessage(false, false), kNoWiFi);
    EXPECT_EQ(dashboardMessage(false, true), kNoWiFi);
    EXPECT_EQ(dashboardMessage(true, true), std::nullopt);
}

TEST(DashboardTexts, CaptiveBanner) {
    EXPECT_EQ(captivePortalBanner(true, std::nullopt), std::nullopt);
    EXPECT_EQ(captivePortalBanner(false, captive("http://portal.test/login")), std::nullopt);
    CaptivePortalStatus open{};
    EXPECT_EQ(captivePortalBanner(true, open), std::nullopt);
    EXPECT_EQ(captivePortalBanner(true, captive("http://portal.test/login")),
              "Captive portal detected. Login may be required at http://portal.test/login.");
    const char* const before =
        "Captive portal detected. Login may be required before internet access works.";
    EXPECT_EQ(captivePortalBanner(true, captive(std::nullopt)), before);
    EXPECT_EQ(captivePortalBanner(true, captive("")), before);
}

TEST(DashboardTexts, RouterPing) {
    EXPECT_EQ(routerPingText(false, std::nullopt), "\u2014");
    EXPECT_EQ(routerPingText(false, ping(std::nullopt, std::nullopt, 100)), "\u2014");
    EXPECT_EQ(routerPingText(false, ping(2.25, 0.1, 0)), "2.2 ms");
    EXPECT_EQ(routerPingText(true, ping(2.25, 0.1, 0)), "ICMP blocked");
    EXPECT_EQ(routerPingText(false, ping(1234.25, 0.1, 0), {",", ".", "-"}), "1.234,2 ms");
}

TEST(DashboardTexts, LocationNoticeAndAction) {
    using S = LocationPermissionStatus;
    EXPECT_EQ(locationNotice(S::notDetermined).buttonTitle, "Allow Location Access");
    EXPECT_EQ(locationNotice(S::denied).buttonTitle, "Open Settings");
    EXPECT_EQ(locationNotice(S::restricted).buttonTitle, "Open Settings");
    EXPECT_EQ(locationNotice(S::authorized).buttonTitle, std::nullopt);
    EXPECT_EQ(locationNotice(S::authorized).explanation,
              "Location permission is enabled so Lumra can read SSID and BSSID locally for "
              "diagnostics. Your location is not used, stored, or sent anywhere.");
    EXPECT_EQ(locationNotice(S::denied).explanation.substr(0, 63),
              "Location permission is off, so SSID and BSSID are unavailable. ");
    EXPECT_EQ(locationAction(S::notDetermined), LocationAction::requestAuthorization);
    EXPECT_EQ(locationAction(S::denied), LocationAction::openSettings);
    EXPECT_EQ(locationAction(S::restricted), LocationAction::openSettings);
    EXPECT_EQ(locationAction(S::authorized), LocationAction::none);
}

// Every state's notice names this system's own kind of machine, never another's.
TEST(DashboardTexts, LocationNoticesSayComputer) {
    using S = LocationPermissionStatus;
    for (S status : {S::notDetermined, S::denied, S::restricted, S::authorized}) {
        const LocationNotice notice = locationNotice(status);
        EXPECT_FALSE(test::saysMac(notice.explanation)) << notice.explanation;
        EXPECT_FALSE(test::saysMac(notice.buttonTitle.value_or("")));
    }
    EXPECT_EQ(locationNotice(S::notDetermined).explanation.substr(0, 72),
              "Location permission is only needed to read this computer's current Wi-Fi");
    EXPECT_EQ(locationNotice(S::restricted).explanation.substr(0, 52),
              "Location permission is restricted on this computer, ");
}

std::vector<std::string> messageTexts(const DashboardModel& m) {
    std::vector<std::string> texts;
    for (const auto& message : m.messages) {
        texts.push_back(message.text);
    }
    return texts;
}

TEST(DashboardModelTest, PausedShowsOnlyThePausedRow) {
    DashboardInput input;
    input.isMonitoringEnabled = false;
    input.monitoringStatusText = "Monitoring is paused.";
    input.isConnected = false;
    input.captiveStatus = captive("http://portal.test/");
    const auto model = makeDashboardModel(input);
    EXPECT_EQ(model.monitoringChip, "Paused");
    ASSERT_EQ(model.messages.size(), 1u);
    EXPECT_EQ(model.messages[0],
              (InlineMessageModel{"Monitoring is paused.", StatusColor::orange}));
}

TEST(DashboardModelTest, MessagesWhileMonitoring) {
    DashboardInput input;
    input.isMonitoringEnabled = true;
    input.isConnected = true;
    auto model = makeDashboardModel(input);
    EXPECT_EQ(model.monitoringChip, "Monitoring");
    ASSERT_EQ(model.messages.size(), 1u);
    EXPECT_EQ(model.messages[0], (InlineMessageModel{kWaiting, StatusColor::secondary}));

    input.latestSnapshot = snapshot();
    input.captiveStatus = captive("http://portal.test/");
    model = makeDashboardModel(input);
    EXPECT_EQ(messageTexts(model),
              (std::vector<std::string>{
                  "Captive portal detected. Login may be required at http://portal.test/."}));
    EXPECT_EQ(model.messages[0].accent, StatusColor::red);
}

TEST(DashboardModelTest, EmptyReadingsShowDashes) {
    DashboardInput input;
    input.isMonitoringEnabled = true;
    const auto model = makeDashboardModel(input);
    for (const auto* rows : {&model.wifiRows, &model.latencyRows, &model.dnsRows}) {
        for (const auto& row : *rows) {
            EXPECT_EQ(row.value, "\u2014") << row.title;
            if (row.samples) {
                EXPECT_TRUE(row.samples->empty()) << row.title;
            }
        }
    }
    EXPECT_EQ(model.wifiRows[0].yDomain, (ChartDomain{0, 1200}));
    EXPECT_EQ(model.healthBadge, (BadgeModel{"Disconnected", StatusColor::gray}));
}

TEST(DashboardModelTest, ReadingsInTheirRows) {
    std::vector<WiFiSnapshot> wifi{snapshot(), snapshot()};
    wifi[0].linkRateMbps = 1190;
    std::vector<PingResult> router{ping(2.0, 0.2, 0), ping(3.0, 0.3, 0)};
    std::vector<PingResult> internet{ping(12.0, 1.0, 0), ping(std::nullopt, std::nullopt, 100),
                                     ping(14.5, 2.5, 2)};
    DNSResult dns{"example.com", {}, 21.25, true};
    std::vector<DNSResult> dnsHistory{dns};
    DashboardInput input;
    input.isMonitoringEnabled = true;
    input.isConnected = true;
    input.healthState = HealthState::good;
    input.latestSnapshot = wifi.back();
    input.wifiHistory = wifi;
    input.routerResult = router.back();
    input.internetResult = internet.back();
    input.routerHistory = router;
    input.internetHistory = internet;
    input.isRouterIgnored = true;
    input.dnsResult = dns;
    input.dnsHistory = dnsHistory;
    input.locationStatus = LocationPermissionStatus::authorized;
    const auto model = makeDashboardModel(input);
    EXPECT_TRUE(model.messages.empty());
    EXPECT_EQ(model.healthBadge, (BadgeModel{"Good", StatusColor::green}));

    const std::vector<std::pair<std::string, std::string>> wifiRows{
        {"Link Rate", "1201 Mbps"}, {"SNR", "33 dB"}, {"Signal", "-58 dBm"}, {"Noise", "-91 dBm"}};
    ASSERT_EQ(model.wifiRows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(model.wifiRows[i].title, wifiRows[i].first);
        EXPECT_EQ(model.wifiRows[i].value, wifiRows[i].second);
    }
    EXPECT_EQ(model.wifiRows[0].yDomain, (ChartDomain{1120, 1200}));
    EXPECT_EQ(model.wifiRows[1].stroke, StatusColor::yellow);
    EXPECT_EQ(model.wifiRows[2].yDomain, (ChartDomain{-95, -30}));

    ASSERT_EQ(model.latencyRows.size(), 4u);
    // Ignored router: the text changes, the history stays drawn.
    EXPECT_EQ(model.latencyRows[0].value, "ICMP blocked");
    EXPECT_EQ(model.latencyRows[0].samples, (std::vector<double>{2.0, 3.0}));
    EXPECT_EQ(model.latencyRows[1].value, "14.5 ms");
    EXPECT_EQ(model.latencyRows[1].samples, (std::vector<double>{12.0, 14.5}));
    EXPECT_EQ(model.latencyRows[2].value, "2.5 ms");
    EXPECT_EQ(model.latencyRows[2].yDomain, (ChartDomain{0, 30}));
    EXPECT_EQ(model.latencyRows[3].title, "Packet Loss");
    EXPECT_EQ(model.latencyRows[3].value, "2%");
    EXPECT_FALSE(model.latencyRows[3].samples);

    ASSERT_EQ(model.dnsRows.size(), 2u);
    EXPECT_EQ(model.dnsRows[0].value, "example.com");
    EXPECT_EQ(model.dnsRows[1].value, "21.2 ms");
    EXPECT_EQ(model.dnsRows[1].yDomain, (ChartDomain{0, 300}));
    EXPECT_FALSE(model.location.buttonTitle);
    EXPECT_EQ(model.wifiHeader.bandText, "5 GHz");
}

} // namespace
} // namespace lumra
