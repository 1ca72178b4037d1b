#include "probes/wifi/CoreWLANInterfaceProvider.h"

#include "FakeWirelessClient.h"
#include "base/DiagnosticLog.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/wifi/CurrentWiFiInterfaceName.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

using test::FakeWirelessClient;

WirelessLinkReading associatedReading() {
    return WirelessLinkReading{
        .interface = {"wlan3", 5},
        .ssid = " lumra ap ",
        .bssid = "02:00:00:00:02:00",
        .signalDbm = -30,
        .noiseDbm = -92,
        .transmitRateMbps = 866.5,
        .channel = WirelessChannel{2437, 6, WiFiBand::twoPointFourGigahertz},
    };
}

std::optional<WiFiInterfaceSnapshot> snapshotOf(std::optional<WirelessLinkReading> reading) {
    auto client = std::make_shared<FakeWirelessClient>();
    client->reading = std::move(reading);
    return CoreWLANInterfaceProvider(client).currentSnapshot();
}

TEST(CoreWLANInterfaceProviderTest, SnapshotKeepsTheReadingAsGiven) {
    EXPECT_EQ(snapshotOf(associatedReading()), (WiFiInterfaceSnapshot{
                                                   .interfaceName = "wlan3",
                                                   .ssid = " lumra ap ",
                                                   .bssid = "02:00:00:00:02:00",
                                                   .rssiDbm = -30,
                                                   .noiseFloorDbm = -92,
                                                   .linkRateMbps = 867,
                                                   .channelNumber = 6,
                                                   .band = WiFiBand::twoPointFourGigahertz,
                                               }));
}

TEST(CoreWLANInterfaceProviderTest, LinkRateRoundsHalvesAwayAndIsAbsentBelowOne) {
    struct Row {
        double rateMbps;
        std::optional<std::int64_t> linkRateMbps;
    };
    const std::vector<Row> rows = {
        {0.0, std::nullopt},
        {0.4, std::nullopt},
        {0.5, 1},
        {1.5, 2},
        {2.5, 3},
        {866.5, 867},
        {-3.0, std::nullopt},
        {std::nan(""), std::nullopt},
        {std::numeric_limits<double>::infinity(), std::nullopt},
        {1e30, std::nullopt},
    };
    for (const auto& row : rows) {
        auto reading = associatedReading();
        reading.transmitRateMbps = row.rateMbps;
        EXPECT_EQ(snapshotOf(reading)->linkRateMbps, row.linkRateMbps) << row.rateMbps;
    }
}

TEST(CoreWLANInterfaceProviderTest, WithoutChannelNumberAndBandAreBothAbsent) {
    auto reading = associatedReading();
    reading.channel.reset();
    const auto snapshot = snapshotOf(reading);
    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->channelNumber);
    EXPECT_FALSE(snapshot->band);
}

TEST(CoreWLANInterfaceProviderTest, ChannelOfNoKnownBandKeepsItsNumber) {
    auto reading = associatedReading();
    reading.channel = WirelessChannel{58320, 0, WiFiBand::unknown};
    const auto snapshot = snapshotOf(reading);
    EXPECT_EQ(snapshot->channelNumber, 0);
    EXPECT_EQ(snapshot->band, WiFiBand::unknown);
}

TEST(CoreWLANInterfaceProviderTest, IdleInterfaceStillGivesASnapshot) {
    const auto snapshot = snapshotOf(
        WirelessLinkReading{{"wlan0", 3}, std::nullopt, std::nullopt, 0, 0, 0.0, std::nullopt});
    EXPECT_EQ(snapshot, (WiFiInterfaceSnapshot{"wlan0", std::nullopt, std::nullopt, 0, 0,
                                               std::nullopt, std::nullopt, std::nullopt}));
}

TEST(CoreWLANInterfaceProviderTest, NamelessInterfaceIsEn0ButHasNoCurrentName) {
    auto client = std::make_shared<FakeWirelessClient>();
    client->reading = associatedReading();
    client->reading->interface.name = "";
    client->interface = WirelessInterface{"", 5};
    EXPECT_EQ(CoreWLANInterfaceProvider(client).currentSnapshot()->interfaceName, "en0");
    EXPECT_EQ(currentWiFiInterfaceName(*client), std::nullopt);
}

TEST(CoreWLANInterfaceProviderTest, NoInterfaceOrAKernelThatCannotBeAskedGivesNothing) {
    auto client = std::make_shared<FakeWirelessClient>();
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(line); });
    EXPECT_EQ(CoreWLANInterfaceProvider(client).currentSnapshot(), std::nullopt);
    EXPECT_EQ(currentWiFiInterfaceName(*client), std::nullopt);
    EXPECT_TRUE(lines.empty()) << "no interface is no error";

    client->reading = associatedReading();
    client->interface = WirelessInterface{"wlan3", 5};
    client->errorNumber = EMFILE;
    EXPECT_EQ(CoreWLANInterfaceProvider(client).currentSnapshot(), std::nullopt);
    EXPECT_EQ(currentWiFiInterfaceName(*client), std::nullopt);
    const std::string why = systemErrorText(EMFILE);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "lumra: wireless: the link could not be read: " + why,
                         "lumra: wireless: the interface could not be looked up: " + why}));
}

TEST(CurrentWiFiInterfaceNameTest, NamesTheDefaultInterface) {
    FakeWirelessClient client;
    client.interface = WirelessInterface{"wlp2s0", 3};
    EXPECT_EQ(currentWiFiInterfaceName(client), "wlp2s0");
}

TEST(CoreWLANInterfaceProviderTest, ThisMachineWithoutWirelessHasNoSnapshotAndNoName) {
    if (std::filesystem::exists("/sys/class/ieee80211")) {
        GTEST_SKIP() << "this kernel has cfg80211; the VM test covers it";
    }
    auto client = std::make_shared<Nl80211Client>();
    EXPECT_EQ(CoreWLANInterfaceProvider(client).currentSnapshot(), std::nullopt);
    EXPECT_EQ(currentWiFiInterfaceName(*client), std::nullopt);
}

} // namespace
} // namespace lumra
