#include "probes/wifi/CoreWLANNetworkScanner.h"

#include "FakeWirelessClient.h"
#include "concurrency/RunLoop.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/wifi/WiFiNetworkScannerError.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::FakeWirelessClient;

WirelessNetwork network(std::optional<std::string> ssid, std::string bssid,
                        std::optional<WirelessChannel> channel, std::int64_t rssiDbm = -50) {
    return WirelessNetwork{std::move(ssid), std::move(bssid), rssiDbm, channel, std::nullopt};
}

const WirelessChannel kChannel1{2412, 1, WiFiBand::twoPointFourGigahertz};
const WirelessChannel kChannel36{5180, 36, WiFiBand::fiveGigahertz};

std::vector<WiFiScannedNetwork> runScan(VirtualClockRunLoop& loop, WiFiNetworkScanning& scanner) {
    auto handle = spawn(mainActor(), [&]() -> Task<std::vector<WiFiScannedNetwork>> {
        co_return co_await scanner.scanNetworks();
    });
    return loop.await(handle);
}

TEST(CoreWLANNetworkScannerTest, MapsEveryNetworkWithAChannelInThePlatformsOrder) {
    VirtualClockRunLoop loop;
    auto client = std::make_shared<FakeWirelessClient>();
    client->scan = WirelessScan{{
                                    network("cafe", "02:00:00:00:00:01", kChannel36, -67),
                                    network("no-channel", "02:00:00:00:00:02", std::nullopt),
                                    network("home", "02:00:00:00:00:03", kChannel1, -40),
                                    network("home", "02:00:00:00:00:03", kChannel1, -41),
                                    network(std::nullopt, "02:00:00:00:00:04",
                                            WirelessChannel{58320, 0, WiFiBand::unknown}),
                                },
                                WirelessScanSource::freshScan};
    CoreWLANNetworkScanner scanner(client);
    EXPECT_EQ(runScan(loop, scanner),
              (std::vector<WiFiScannedNetwork>{
                  {"cafe", "02:00:00:00:00:01", -67, 36, WiFiBand::fiveGigahertz},
                  {"home", "02:00:00:00:00:03", -40, 1, WiFiBand::twoPointFourGigahertz},
                  {"home", "02:00:00:00:00:03", -41, 1, WiFiBand::twoPointFourGigahertz},
                  {std::nullopt, "02:00:00:00:00:04", -50, 0, WiFiBand::unknown},
              }));
}

TEST(CoreWLANNetworkScannerTest, NamesAreTrimmedAndBlankNamesAbsent) {
    struct Row {
        std::optional<std::string> platform;
        std::optional<std::string> scanned;
    };
    const std::vector<Row> rows = {
        {" home ", "home"},
        {"\thome net\r\n", "home net"},
        {"   ", std::nullopt},
        {"\xe3\x80\x80"
         "cafe\xc2\xa0",
         "cafe"}, // ideographic and no-break spaces
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    VirtualClockRunLoop loop;
    for (const auto& row : rows) {
        auto client = std::make_shared<FakeWirelessClient>();
        client->scan = WirelessScan{{network(row.platform, "02:00:00:00:00:01", kChannel1)},
                                    WirelessScanSource::cachedResults};
        CoreWLANNetworkScanner scanner(client);
        const auto networks = runScan(loop, scanner);
        ASSERT_EQ(networks.size(), 1u);
        EXPECT_EQ(networks[0].ssid, row.scanned) << row.platform.value_or("(none)");
    }
}

TEST(CoreWLANNetworkScannerTest, NoInterfaceThrowsInterfaceUnavailable) {
    VirtualClockRunLoop loop;
    CoreWLANNetworkScanner scanner(std::make_shared<FakeWirelessClient>());
    try {
        runScan(loop, scanner);
        FAIL() << "no error";
    } catch (const WiFiNetworkScannerError& error) {
        EXPECT_EQ(error, WiFiNetworkScannerError::interfaceUnavailable());
    }
}

TEST(CoreWLANNetworkScannerTest, PlatformScanErrorReachesTheCallerUnchanged) {
    VirtualClockRunLoop loop;
    auto client = std::make_shared<FakeWirelessClient>();
    client->errorNumber = ENETDOWN;
    CoreWLANNetworkScanner scanner(client);
    try {
        runScan(loop, scanner);
        FAIL() << "no error";
    } catch (const WirelessError& error) {
        EXPECT_EQ(error.errorNumber(), ENETDOWN);
        EXPECT_STREQ(error.what(), "Network is down");
    }
}

TEST(CoreWLANNetworkScannerTest, ScanBlocksAPoolWorkerNotTheMainActor) {
    VirtualClockRunLoop loop;
    auto client = std::make_shared<FakeWirelessClient>();
    client->scan = WirelessScan{{}, WirelessScanSource::freshScan};
    CoreWLANNetworkScanner scanner(client);
    bool resumedOnMainActor = false;
    auto handle = spawn(mainActor(), [&]() -> Task<void> {
        co_await scanner.scanNetworks();
        resumedOnMainActor = mainActor().isCurrent();
    });
    loop.await(handle);
    EXPECT_EQ(client->scanCalls.load(), 1);
    EXPECT_NE(client->scanThread(), std::this_thread::get_id());
    EXPECT_TRUE(resumedOnMainActor);
}

TEST(CoreWLANNetworkScannerTest, ScanOutlivesTheScannerThatStartedIt) {
    VirtualClockRunLoop loop;
    auto client = std::make_shared<FakeWirelessClient>();
    client->scan = WirelessScan{{network("home", "02:00:00:00:00:03", kChannel1)},
                                WirelessScanSource::freshScan};
    auto scanner = std::make_unique<CoreWLANNetworkScanner>(client);
    auto task = scanner->scanNetworks();
    scanner.reset();
    auto handle = spawn(mainActor(), [task = std::move(task)]() mutable -> Task<std::size_t> {
        const auto networks = co_await std::move(task);
        co_return networks.size();
    });
    EXPECT_EQ(loop.await(handle), 1u);
}

TEST(CoreWLANNetworkScannerTest, ThisMachineWithoutWirelessThrowsInterfaceUnavailable) {
    if (std::filesystem::exists("/sys/class/ieee80211")) {
        GTEST_SKIP() << "this kernel has cfg80211; the VM test covers it";
    }
    VirtualClockRunLoop loop;
    CoreWLANNetworkScanner scanner(std::make_shared<Nl80211Client>());
    EXPECT_THROW(runScan(loop, scanner), WiFiNetworkScannerError);
}

TEST(WiFiNetworkScannerErrorTest, HasOnlyThePlatformsGenericSentence) {
    const auto error = WiFiNetworkScannerError::interfaceUnavailable();
    EXPECT_EQ(error.describe(),
              "The operation couldn\u2019t be completed. (Lumra.WiFiNetworkScannerError error 0.)");
    EXPECT_EQ(
        std::hash<WiFiNetworkScannerError>{}(error),
        std::hash<WiFiNetworkScannerError>{}(WiFiNetworkScannerError::interfaceUnavailable()));
}

} // namespace
} // namespace lumra
