#include "platform/wireless/Nl80211Messages.h"

#include "GenlMessageBuilder.h"
#include "WirelessPrinting.h"

#include <gtest/gtest.h>
#include <linux/genetlink.h>
#include <linux/nl80211.h>

namespace lumra {
namespace {

using test::GenlMessageBuilder;

const std::vector<std::uint8_t> kApAddress{0x02, 0x00, 0x00, 0x00, 0x02, 0x00};

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// 802.11 elements: a rates element around the name, as beacons carry it.
std::vector<std::uint8_t> elementsWithSsid(std::vector<std::uint8_t> ssid) {
    std::vector<std::uint8_t> elements{1, 2, 0x82, 0x84, 0};
    elements.push_back(static_cast<std::uint8_t>(ssid.size()));
    elements.insert(elements.end(), ssid.begin(), ssid.end());
    elements.insert(elements.end(), {3, 1, 6});
    return elements;
}

GenlMessageBuilder interfaceMessage(std::uint32_t ifindex, std::string name, std::uint32_t iftype) {
    GenlMessageBuilder message(NL80211_CMD_NEW_INTERFACE);
    message.u32(NL80211_ATTR_IFINDEX, ifindex)
        .string(NL80211_ATTR_IFNAME, name)
        .u32(NL80211_ATTR_IFTYPE, iftype);
    return message;
}

TEST(Nl80211DecodeTest, FamilyWithMulticastGroups) {
    GenlMessageBuilder message(CTRL_CMD_NEWFAMILY, GENL_ID_CTRL);
    message.string(CTRL_ATTR_FAMILY_NAME, "nl80211")
        .u16(CTRL_ATTR_FAMILY_ID, 0x1c)
        .nest(CTRL_ATTR_MCAST_GROUPS, [](GenlMessageBuilder& groups) {
            groups.nest(1, [](GenlMessageBuilder& g) {
                g.u32(CTRL_ATTR_MCAST_GRP_ID, 4).string(CTRL_ATTR_MCAST_GRP_NAME, "config");
            });
            groups.nest(2, [](GenlMessageBuilder& g) {
                g.u32(CTRL_ATTR_MCAST_GRP_ID, 5).string(CTRL_ATTR_MCAST_GRP_NAME, "scan");
            });
            // A group without an id is left out.
            groups.nest(3,
                        [](GenlMessageBuilder& g) { g.string(CTRL_ATTR_MCAST_GRP_NAME, "mlme"); });
        });
    const auto family = decodeFamily(message.header());
    ASSERT_TRUE(family);
    EXPECT_EQ(family->id, 0x1c);
    EXPECT_EQ(family->multicastGroups,
              (std::vector<GenlMulticastGroup>{{"config", 4}, {"scan", 5}}));
    EXPECT_EQ(family->multicastGroup("scan"), 5u);
    EXPECT_FALSE(family->multicastGroup("mlme"));
}

TEST(Nl80211DecodeTest, FamilyWithoutIdIsNone) {
    GenlMessageBuilder message(CTRL_CMD_NEWFAMILY, GENL_ID_CTRL);
    message.string(CTRL_ATTR_FAMILY_NAME, "nl80211").u32(CTRL_ATTR_FAMILY_ID, 0x1c); // wrong width
    EXPECT_FALSE(decodeFamily(message.header()));
}

TEST(Nl80211DecodeTest, AssociatedStationInterface) {
    auto message = interfaceMessage(5, "wlan3", NL80211_IFTYPE_STATION);
    message.u32(NL80211_ATTR_WIPHY_FREQ, 2437).bytes(NL80211_ATTR_SSID, bytesOf("lumra-ap-ch6"));
    EXPECT_EQ(
        decodeInterface(message.header()),
        (Nl80211InterfaceInfo{5, "wlan3", NL80211_IFTYPE_STATION, 2437, bytesOf("lumra-ap-ch6")}));
}

TEST(Nl80211DecodeTest, InterfaceWithoutNetdevOrOfAnotherCommandIsNone) {
    GenlMessageBuilder device(NL80211_CMD_NEW_INTERFACE);
    device.string(NL80211_ATTR_IFNAME, "p2p-dev")
        .u32(NL80211_ATTR_IFTYPE, NL80211_IFTYPE_P2P_DEVICE);
    EXPECT_FALSE(decodeInterface(device.header()));

    GenlMessageBuilder other(NL80211_CMD_NEW_STATION);
    other.u32(NL80211_ATTR_IFINDEX, 5).u32(NL80211_ATTR_IFTYPE, NL80211_IFTYPE_STATION);
    EXPECT_FALSE(decodeInterface(other.header()));
}

TEST(Nl80211DecodeTest, InterfaceFieldsOfTheWrongSizeAreAbsent) {
    GenlMessageBuilder message(NL80211_CMD_NEW_INTERFACE);
    message.u32(NL80211_ATTR_IFINDEX, 5)
        .u16(NL80211_ATTR_IFTYPE, NL80211_IFTYPE_STATION)
        .u8(NL80211_ATTR_WIPHY_FREQ, 6)
        .bytes(NL80211_ATTR_SSID, std::vector<std::uint8_t>(33, 'x'));
    const auto decoded = decodeInterface(message.header());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->name, "");
    EXPECT_FALSE(decoded->iftype);
    EXPECT_FALSE(decoded->frequencyMhz);
    EXPECT_FALSE(decoded->ssid);
}

GenlMessageBuilder stationMessage(const std::function<void(GenlMessageBuilder&)>& info) {
    GenlMessageBuilder message(NL80211_CMD_NEW_STATION);
    message.u32(NL80211_ATTR_IFINDEX, 5)
        .bytes(NL80211_ATTR_MAC, kApAddress)
        .nest(NL80211_ATTR_STA_INFO, info);
    return message;
}

std::vector<std::uint8_t> flagBytes(std::uint32_t mask, std::uint32_t set) {
    nl80211_sta_flag_update update{mask, set};
    const auto* begin = reinterpret_cast<const std::uint8_t*>(&update);
    return {begin, begin + sizeof update};
}

TEST(Nl80211DecodeTest, StationSignalAndThirtyTwoBitRate) {
    auto message = stationMessage([](GenlMessageBuilder& info) {
        info.s8(NL80211_STA_INFO_SIGNAL, -30)
            .s8(NL80211_STA_INFO_SIGNAL_AVG, -31)
            .nest(NL80211_STA_INFO_TX_BITRATE, [](GenlMessageBuilder& rate) {
                rate.u16(NL80211_RATE_INFO_BITRATE, 1200).u32(NL80211_RATE_INFO_BITRATE32, 8665);
            });
    });
    const auto station = decodeStation(message.header());
    ASSERT_TRUE(station);
    EXPECT_EQ(station->address, (MacAddressBytes{0x02, 0, 0, 0, 0x02, 0}));
    EXPECT_EQ(station->signalDbm, -30);
    EXPECT_EQ(station->transmitBitrate100Kbps, 8665u);
    EXPECT_FALSE(station->isTdlsPeer);
    EXPECT_FALSE(station->isAssociated);
}

TEST(Nl80211DecodeTest, StationFallsBackToAverageSignalAndSixteenBitRate) {
    auto message = stationMessage([](GenlMessageBuilder& info) {
        info.s8(NL80211_STA_INFO_SIGNAL_AVG, -71)
            .nest(NL80211_STA_INFO_TX_BITRATE,
                  [](GenlMessageBuilder& rate) { rate.u16(NL80211_RATE_INFO_BITRATE, 540); });
    });
    const auto station = decodeStation(message.header());
    EXPECT_EQ(station->signalDbm, -71);
    EXPECT_EQ(station->transmitBitrate100Kbps, 540u);
}

TEST(Nl80211DecodeTest, StationFlagsOnlyCountWhereTheMaskSaysSo) {
    const auto associated = (1u << NL80211_STA_FLAG_ASSOCIATED);
    const auto tdls = (1u << NL80211_STA_FLAG_TDLS_PEER);
    struct Row {
        std::uint32_t mask;
        std::uint32_t set;
        bool isTdlsPeer;
        std::optional<bool> isAssociated;
    };
    const std::vector<Row> rows = {
        {associated, associated, false, true}, {associated, 0, false, false},
        {0, associated, false, std::nullopt},  {associated | tdls, associated | tdls, true, true},
        {0, tdls, false, std::nullopt},
    };
    for (const auto& row : rows) {
        auto message = stationMessage([&](GenlMessageBuilder& info) {
            info.bytes(NL80211_STA_INFO_STA_FLAGS, flagBytes(row.mask, row.set));
        });
        const auto station = decodeStation(message.header());
        ASSERT_TRUE(station);
        EXPECT_EQ(station->isTdlsPeer, row.isTdlsPeer) << row.mask << "/" << row.set;
        EXPECT_EQ(station->isAssociated, row.isAssociated) << row.mask << "/" << row.set;
    }
}

TEST(Nl80211DecodeTest, SurveyEntry) {
    GenlMessageBuilder message(NL80211_CMD_NEW_SURVEY_RESULTS);
    message.u32(NL80211_ATTR_IFINDEX, 5)
        .nest(NL80211_ATTR_SURVEY_INFO, [](GenlMessageBuilder& info) {
            info.u32(NL80211_SURVEY_INFO_FREQUENCY, 2437)
                .s8(NL80211_SURVEY_INFO_NOISE, -92)
                .flag(NL80211_SURVEY_INFO_IN_USE);
        });
    EXPECT_EQ(decodeSurvey(message.header()), (Nl80211SurveyInfo{2437, -92, true}));

    GenlMessageBuilder noNoise(NL80211_CMD_NEW_SURVEY_RESULTS);
    noNoise.nest(NL80211_ATTR_SURVEY_INFO,
                 [](GenlMessageBuilder& info) { info.u32(NL80211_SURVEY_INFO_FREQUENCY, 5180); });
    EXPECT_EQ(decodeSurvey(noNoise.header()), (Nl80211SurveyInfo{5180, std::nullopt, false}));

    GenlMessageBuilder noFrequency(NL80211_CMD_NEW_SURVEY_RESULTS);
    noFrequency.nest(NL80211_ATTR_SURVEY_INFO,
                     [](GenlMessageBuilder& info) { info.s8(NL80211_SURVEY_INFO_NOISE, -92); });
    EXPECT_FALSE(decodeSurvey(noFrequency.header()));
}

GenlMessageBuilder bssMessage(const std::function<void(GenlMessageBuilder&)>& bss) {
    GenlMessageBuilder message(NL80211_CMD_NEW_SCAN_RESULTS);
    message.u32(NL80211_ATTR_GENERATION, 7)
        .u32(NL80211_ATTR_IFINDEX, 5)
        .nest(NL80211_ATTR_BSS, bss);
    return message;
}

TEST(Nl80211DecodeTest, ScannedBssWithNameFromItsElements) {
    auto message = bssMessage([](GenlMessageBuilder& bss) {
        bss.bytes(NL80211_BSS_BSSID, kApAddress)
            .u32(NL80211_BSS_FREQUENCY, 2437)
            .s32(NL80211_BSS_SIGNAL_MBM, -3000)
            .bytes(NL80211_BSS_INFORMATION_ELEMENTS, elementsWithSsid(bytesOf("lumra-ap-ch6")))
            .bytes(NL80211_BSS_BEACON_IES, elementsWithSsid(bytesOf("beacon-name")))
            .u32(NL80211_BSS_STATUS, NL80211_BSS_STATUS_ASSOCIATED)
            .u32(NL80211_BSS_SEEN_MS_AGO, 1250);
    });
    EXPECT_EQ(decodeBss(message.header()),
              (Nl80211BssInfo{MacAddressBytes{0x02, 0, 0, 0, 0x02, 0}, 2437, -3000,
                              bytesOf("lumra-ap-ch6"), NL80211_BSS_STATUS_ASSOCIATED, 1250}));
}

TEST(Nl80211DecodeTest, ScannedBssTakesTheBeaconNameWhenTheLatestElementsHaveNone) {
    auto message = bssMessage([](GenlMessageBuilder& bss) {
        bss.bytes(NL80211_BSS_BSSID, kApAddress)
            .bytes(NL80211_BSS_INFORMATION_ELEMENTS, {3, 1, 6})
            .bytes(NL80211_BSS_BEACON_IES, elementsWithSsid(bytesOf("beacon-name")));
    });
    const auto bss = decodeBss(message.header());
    ASSERT_TRUE(bss);
    EXPECT_EQ(bss->ssid, bytesOf("beacon-name"));
    EXPECT_FALSE(bss->frequencyMhz);
    EXPECT_FALSE(bss->signalMbm);
}

TEST(Nl80211DecodeTest, ScanDumpEntryWithoutBssIsNone) {
    GenlMessageBuilder message(NL80211_CMD_NEW_SCAN_RESULTS);
    message.u32(NL80211_ATTR_IFINDEX, 5);
    EXPECT_FALSE(decodeBss(message.header()));
}

TEST(Nl80211DecodeTest, SsidElementRules) {
    struct Row {
        std::vector<std::uint8_t> elements;
        std::optional<std::vector<std::uint8_t>> ssid;
    };
    const std::vector<Row> rows = {
        {elementsWithSsid(bytesOf("net")), bytesOf("net")},
        {elementsWithSsid({}), std::vector<std::uint8_t>{}},
        {{0, 3, 'a', 'b', 'c', 0, 1, 'z'}, bytesOf("abc")}, // the first one wins
        {{1, 1, 0x82}, std::nullopt},
        {{0, 5, 'a', 'b'}, std::nullopt}, // runs past the end
        {{1, 9, 0x82, 0, 3, 'a', 'b', 'c'}, std::nullopt},
        {elementsWithSsid(std::vector<std::uint8_t>(33, 'x')), std::nullopt},
        {{}, std::nullopt},
        {{0}, std::nullopt},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(ssidFromInformationElements(rows[i].elements), rows[i].ssid) << "row " << i;
    }
}

TEST(Nl80211DecodeTest, ScanEventsOfThisInterfaceOnly) {
    struct Row {
        std::uint8_t command;
        std::uint32_t ifindex;
        std::optional<Nl80211ScanEvent> event;
    };
    const std::vector<Row> rows = {
        {NL80211_CMD_TRIGGER_SCAN, 5, Nl80211ScanEvent::started},
        {NL80211_CMD_NEW_SCAN_RESULTS, 5, Nl80211ScanEvent::finished},
        {NL80211_CMD_SCAN_ABORTED, 5, Nl80211ScanEvent::aborted},
        {NL80211_CMD_NEW_SCAN_RESULTS, 6, std::nullopt},
        {NL80211_CMD_START_SCHED_SCAN, 5, std::nullopt},
        {NL80211_CMD_SCHED_SCAN_RESULTS, 5, std::nullopt},
    };
    for (const auto& row : rows) {
        GenlMessageBuilder message(row.command);
        message.u32(NL80211_ATTR_WIPHY, 3).u32(NL80211_ATTR_IFINDEX, row.ifindex);
        EXPECT_EQ(decodeScanEvent(message.header(), 5), row.event)
            << int(row.command) << " on " << row.ifindex;
    }
    GenlMessageBuilder withoutInterface(NL80211_CMD_NEW_SCAN_RESULTS);
    withoutInterface.u32(NL80211_ATTR_WIPHY, 3);
    EXPECT_FALSE(decodeScanEvent(withoutInterface.header(), 5));
}

TEST(Nl80211AssemblyTest, DefaultInterfaceIsTheFirstStation) {
    const std::vector<Nl80211InterfaceInfo> interfaces = {
        {2, "wlan0", NL80211_IFTYPE_AP, 2412, std::nullopt},
        {3, "mon0", NL80211_IFTYPE_MONITOR, std::nullopt, std::nullopt},
        {4, "wlan1", std::nullopt, std::nullopt, std::nullopt},
        {5, "wlan3", NL80211_IFTYPE_STATION, 2437, std::nullopt},
        {6, "wlan4", NL80211_IFTYPE_STATION, std::nullopt, std::nullopt},
    };
    EXPECT_EQ(firstStationInterface(interfaces)->ifindex, 5u);
    EXPECT_FALSE(firstStationInterface({interfaces[0], interfaces[1]}));
    EXPECT_FALSE(firstStationInterface({}));
}

TEST(Nl80211AssemblyTest, AccessPointSkipsTdlsPeersAndUnassociatedEntries) {
    const MacAddressBytes tdlsPeer{2, 0, 0, 0, 9, 0};
    const MacAddressBytes leaving{2, 0, 0, 0, 8, 0};
    const MacAddressBytes ap{2, 0, 0, 0, 2, 0};
    const std::vector<Nl80211StationInfo> stations = {
        {std::nullopt, -20, 10, false, true},
        {tdlsPeer, -10, 540, true, true},
        {leaving, -50, 10, false, false},
        {ap, -30, 120, false, std::nullopt},
    };
    EXPECT_EQ(accessPointOf(stations)->address, ap);
    EXPECT_FALSE(accessPointOf({stations[0], stations[1], stations[2]}));
}

TEST(Nl80211AssemblyTest, NoiseComesFromTheChannelInUse) {
    const std::vector<Nl80211SurveyInfo> flagged = {
        {2412, -95, false}, {2437, -90, true}, {2462, -80, false}};
    EXPECT_EQ(noiseOfChannelInUse(flagged, 2462), -90);
    const std::vector<Nl80211SurveyInfo> unflagged = {{2412, -95, false}, {2437, -92, false}};
    EXPECT_EQ(noiseOfChannelInUse(unflagged, 2437), -92);
    EXPECT_FALSE(noiseOfChannelInUse(unflagged, 2462));
    EXPECT_FALSE(noiseOfChannelInUse(unflagged, std::nullopt));
    EXPECT_FALSE(noiseOfChannelInUse({{2437, std::nullopt, true}}, 2437));
}

TEST(Nl80211AssemblyTest, ReadingOfAnAssociatedStation) {
    const Nl80211InterfaceInfo interface {
        5, "wlan3", NL80211_IFTYPE_STATION, 2437, bytesOf(" lumra ap ")
    };
    const Nl80211StationInfo ap{MacAddressBytes{2, 0, 0, 0, 0xab, 0}, -30, 8665, false, true};
    const auto reading = makeLinkReading(interface, ap, std::nullopt, {{2437, -92, false}});
    EXPECT_EQ(reading, (WirelessLinkReading{
                           .interface = {"wlan3", 5},
                           .ssid = " lumra ap ",
                           .bssid = "02:00:00:00:ab:00",
                           .signalDbm = -30,
                           .noiseDbm = -92,
                           .transmitRateMbps = 866.5,
                           .channel = WirelessChannel{2437, 6, WiFiBand::twoPointFourGigahertz},
                       }));
}

// Kernel 6.1 names the network of an AP interface, not of a station.
TEST(Nl80211AssemblyTest, ReadingTakesNameAndChannelFromTheAssociatedBssWhenTheInterfaceHasNone) {
    const MacAddressBytes apAddress{2, 0, 0, 0, 2, 0};
    const Nl80211InterfaceInfo interface {
        5, "wlan3", NL80211_IFTYPE_STATION, std::nullopt, std::nullopt
    };
    const Nl80211StationInfo ap{apAddress, -30, 10, false, true};
    ASSERT_TRUE(needsAssociatedBss(interface, ap));
    const std::vector<Nl80211BssInfo> results = {
        {MacAddressBytes{2, 0, 0, 0, 0, 0}, 2412, -3000, bytesOf("lumra-ap-ch1"), std::nullopt,
         std::nullopt},
        {apAddress, 2462, -3000, bytesOf("stale-entry"), std::nullopt, std::nullopt},
        {apAddress, 2437, -3000, bytesOf("lumra-ap-ch6"), NL80211_BSS_STATUS_ASSOCIATED,
         std::nullopt},
    };
    const auto bss = associatedBss(results, apAddress);
    ASSERT_TRUE(bss);
    const auto reading = makeLinkReading(interface, ap, bss, {{2437, -92, false}});
    EXPECT_EQ(reading.ssid, "lumra-ap-ch6");
    EXPECT_EQ(reading.channel, (WirelessChannel{2437, 6, WiFiBand::twoPointFourGigahertz}));
    EXPECT_EQ(reading.noiseDbm, -92);
    EXPECT_EQ(reading.bssid, "02:00:00:00:02:00");
}

TEST(Nl80211AssemblyTest, AssociatedBssFallsBackToTheAddressAlone) {
    const MacAddressBytes apAddress{2, 0, 0, 0, 2, 0};
    const std::vector<Nl80211BssInfo> results = {
        {MacAddressBytes{2, 0, 0, 0, 0, 0}, 2412, -3000, bytesOf("other"),
         NL80211_BSS_STATUS_ASSOCIATED, std::nullopt},
        {apAddress, 2437, -3000, bytesOf("lumra-ap-ch6"), std::nullopt, std::nullopt},
    };
    EXPECT_EQ(associatedBss(results, apAddress)->ssid, bytesOf("lumra-ap-ch6"));
    EXPECT_FALSE(associatedBss(results, MacAddressBytes{2, 0, 0, 0, 9, 0}));
}

TEST(Nl80211AssemblyTest, InterfaceNamesAndBssOnlyMatterWithAnAccessPoint) {
    const Nl80211StationInfo ap{MacAddressBytes{2, 0, 0, 0, 2, 0}, -30, 10, false, true};
    const Nl80211InterfaceInfo complete{5, "wlan3", NL80211_IFTYPE_STATION, 2437, bytesOf("net")};
    const Nl80211InterfaceInfo bare{5, "wlan3", NL80211_IFTYPE_STATION, std::nullopt, std::nullopt};
    EXPECT_FALSE(needsAssociatedBss(complete, ap));
    EXPECT_TRUE(needsAssociatedBss(bare, ap));
    EXPECT_FALSE(needsAssociatedBss(bare, std::nullopt));
    // A BSS handed in without an access point is not this link's.
    const Nl80211BssInfo bss{
        ap.address, 2437, -3000, bytesOf("net"), NL80211_BSS_STATUS_ASSOCIATED, std::nullopt};
    const auto reading = makeLinkReading(bare, std::nullopt, bss, {});
    EXPECT_FALSE(reading.ssid);
    EXPECT_FALSE(reading.channel);
}

TEST(Nl80211AssemblyTest, ReadingOfAnIdleStationHasOnlyItsInterface) {
    const Nl80211InterfaceInfo interface {
        5, "wlan3", NL80211_IFTYPE_STATION, std::nullopt, std::nullopt
    };
    EXPECT_EQ(makeLinkReading(interface, std::nullopt, std::nullopt, {}),
              (WirelessLinkReading{
                  .interface = {"wlan3", 5},
                  .ssid = std::nullopt,
                  .bssid = std::nullopt,
                  .signalDbm = 0,
                  .noiseDbm = 0,
                  .transmitRateMbps = 0.0,
                  .channel = std::nullopt,
              }));
}

TEST(Nl80211AssemblyTest, ReadingOfAHiddenOrUnreadableNameHasNoName) {
    for (const auto& ssid :
         {std::vector<std::uint8_t>{0, 0, 0}, std::vector<std::uint8_t>{0xff, 'x'}}) {
        const Nl80211InterfaceInfo interface { 5, "wlan3", NL80211_IFTYPE_STATION, 5180, ssid };
        const auto reading = makeLinkReading(interface, std::nullopt, std::nullopt, {});
        EXPECT_FALSE(reading.ssid);
        EXPECT_EQ(reading.channel, (WirelessChannel{5180, 36, WiFiBand::fiveGigahertz}));
    }
}

TEST(Nl80211AssemblyTest, ScannedNetworkWithNoiseOfItsChannel) {
    const Nl80211BssInfo bss{MacAddressBytes{2, 0, 0, 0, 0, 0}, 2412,         -4550,
                             bytesOf("lumra-ap-ch1"),           std::nullopt, std::nullopt};
    EXPECT_EQ(makeNetwork(bss, {{2437, -90, true}, {2412, -95, false}}),
              (WirelessNetwork{"lumra-ap-ch1", "02:00:00:00:00:00", -46,
                               WirelessChannel{2412, 1, WiFiBand::twoPointFourGigahertz}, -95}));
}

TEST(Nl80211AssemblyTest, ScannedNetworkMissingValuesStayAbsent) {
    const Nl80211BssInfo bss{std::nullopt, std::nullopt, std::nullopt, std::vector<std::uint8_t>{},
                             std::nullopt, std::nullopt};
    EXPECT_EQ(makeNetwork(bss, {{2412, -95, false}}),
              (WirelessNetwork{std::nullopt, std::nullopt, 0, std::nullopt, std::nullopt}));
}

TEST(Nl80211AssemblyTest, MbmRoundsToTheNearestDbm) {
    struct Row {
        std::int32_t mbm;
        std::int64_t dbm;
    };
    for (const auto& row : std::vector<Row>{{-3000, -30},
                                            {-4549, -45},
                                            {-4550, -46},
                                            {-4599, -46},
                                            {0, 0},
                                            {149, 1},
                                            {150, 2},
                                            {-10000, -100}}) {
        EXPECT_EQ(dbmFromMbm(row.mbm), row.dbm) << row.mbm;
    }
}

TEST(Nl80211AssemblyTest, HeardWithinKeepsWhatTheKernelHeardInTheWindowAndWhatHasNoAge) {
    auto entry = [](std::uint8_t last, std::optional<std::uint32_t> age) {
        return Nl80211BssInfo{
            MacAddressBytes{2, 0, 0, 0, last, 0}, 2412, -3000, std::nullopt, std::nullopt, age};
    };
    const auto kept = heardWithin(
        {entry(1, 0), entry(2, 800), entry(3, 801), entry(4, std::nullopt), entry(5, 30000)},
        std::chrono::milliseconds(800));
    std::vector<int> lasts;
    for (const auto& bss : kept) {
        lasts.push_back((*bss.bssid)[4]);
    }
    EXPECT_EQ(lasts, (std::vector<int>{1, 2, 4}));
}

} // namespace
} // namespace lumra
