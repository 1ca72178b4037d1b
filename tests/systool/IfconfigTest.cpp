#include "systool/Ifconfig.h"

#include "systool/Ipconfig.h"
#include "tests/systool/Fixtures.h"
#include "tests/systool/ToolOutputRules.h"

#include <gtest/gtest.h>
#include <net/if.h>

namespace lumra {
namespace {

IpAddress address(const char* text) {
    return *IpAddress::parse(text);
}

constexpr std::uint32_t kLowerUp = 0x10000; // IFF_LOWER_UP

std::vector<NetworkInterface> sampleInterfaces() {
    return {
        {"lo",
         1,
         IFF_UP | IFF_LOOPBACK | IFF_RUNNING | kLowerUp,
         65536,
         std::nullopt,
         {{address("127.0.0.1"), address("255.0.0.0"), std::nullopt, std::nullopt, 0},
          {address("::1"), address("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), std::nullopt,
           std::nullopt, 0}}},
        {"eth0",
         2,
         IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST | kLowerUp,
         1500,
         std::array<std::uint8_t, 6>{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01},
         {{address("192.0.2.2"), address("255.255.255.0"), address("192.0.2.255"), std::nullopt, 0},
          {address("10.0.0.9"), address("255.0.0.0"), std::nullopt, std::nullopt, 0},
          {address("fe80::fc:ff:fe00:1"), address("ffff:ffff:ffff:ffff::"), std::nullopt,
           std::nullopt, 2},
          {address("fd00::2"), address("ffff:ffff:ffff:ffff::"), std::nullopt, std::nullopt, 0}}},
        // A link that is up without carrier: no RUNNING, status inactive.
        {"eth1",
         3,
         IFF_UP | IFF_BROADCAST | IFF_MULTICAST,
         1500,
         std::array<std::uint8_t, 6>{0x02, 0x00, 0x00, 0x0a, 0x0b, 0x0c},
         {}},
        // Names with "-" or "." cannot head a BSD block: left out whole.
        {"veth-a",
         4,
         IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST,
         1500,
         std::array<std::uint8_t, 6>{0x02, 0x00, 0x00, 0x00, 0x00, 0x04},
         {{address("10.99.0.1"), address("255.255.255.0"), std::nullopt, std::nullopt, 0}}},
        {"eth0.100",
         5,
         IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST,
         1500,
         std::nullopt,
         {{address("10.98.0.1"), address("255.255.255.0"), std::nullopt, std::nullopt, 0}}},
        // A tunnel as OpenVPN leaves it: point-to-point, NOARP.
        {"tun0",
         6,
         IFF_UP | IFF_POINTOPOINT | IFF_RUNNING | IFF_NOARP | IFF_MULTICAST | kLowerUp,
         1500,
         std::nullopt,
         {{address("10.8.0.2"), address("255.255.255.255"), std::nullopt, address("10.8.0.1"), 0},
          {address("fe80::1234"), address("ffff:ffff:ffff:ffff::"), std::nullopt, std::nullopt,
           6}}},
        {"wg0",
         7,
         IFF_UP | IFF_POINTOPOINT | IFF_RUNNING | IFF_NOARP,
         1420,
         std::nullopt,
         {{address("10.66.0.2"), address("255.255.255.0"), std::nullopt, address("10.66.0.2"), 0}}},
        {"tap0",
         8,
         IFF_BROADCAST | IFF_MULTICAST,
         std::nullopt,
         std::array<std::uint8_t, 6>{0x0e, 0x00, 0x00, 0x00, 0x00, 0x08},
         {}},
    };
}

TEST(IfconfigTest, FormatsInterfacesLikeBsdIfconfig) {
    EXPECT_EQ(formatIfconfig(sampleInterfaces()), test::fixtureText("expected/ifconfig.txt"));
}

// The tunnel reader takes a header only when the name is a word and the flag
// word is decimal digits; a header it misses would hand the next block's
// addresses to the previous interface.
TEST(IfconfigTest, EveryPrintedBlockHasAHeaderTheReaderRecognises) {
    const std::string output = formatIfconfig(sampleInterfaces());
    const auto headers = test::interfaceHeaders(output);
    std::vector<std::string> names;
    for (const auto& header : headers) {
        names.push_back(header.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"lo", "eth0", "eth1", "tun0", "wg0", "tap0"}));
    int headerLines = 0;
    for (const std::string& line : test::splitLines(output)) {
        headerLines += line.front() != '\t' ? 1 : 0;
    }
    EXPECT_EQ(headerLines, static_cast<int>(headers.size()));
}

TEST(IfconfigTest, FlagWordNeverHoldsHexadecimalLetters) {
    // Every combination of the Linux flag bits up to IFF_ECHO.
    for (std::uint32_t linuxFlags = 0; linuxFlags < (1u << 19); ++linuxFlags) {
        const std::string text = bsdFlagsText(bsdInterfaceFlags(linuxFlags));
        const std::string word = text.substr(6, text.find('<') - 6);
        ASSERT_EQ(word.find_first_not_of("0123456789"), std::string::npos)
            << linuxFlags << " " << text;
    }
}

TEST(IfconfigTest, FlagsKeepWhatBothSystemsShare) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST | kLowerUp,
         "flags=8043<UP,BROADCAST,RUNNING,MULTICAST>"},
        {IFF_UP | IFF_LOOPBACK | IFF_RUNNING, "flags=49<UP,LOOPBACK,RUNNING>"},
        {IFF_UP | IFF_POINTOPOINT | IFF_RUNNING | IFF_NOARP | IFF_MULTICAST,
         "flags=8051<UP,POINTOPOINT,RUNNING,MULTICAST>"},
        {IFF_UP | IFF_BROADCAST | IFF_PROMISC | IFF_ALLMULTI,
         "flags=303<UP,BROADCAST,PROMISC,ALLMULTI>"},
        {IFF_LOOPBACK | IFF_BROADCAST | IFF_DEBUG, "flags=8<LOOPBACK>"},
        {0, "flags=0<>"},
    };
    for (const auto& [linuxFlags, expected] : cases) {
        EXPECT_EQ(bsdFlagsText(bsdInterfaceFlags(linuxFlags)), expected);
    }
}

TEST(IfconfigTest, BsdInterfaceNames) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"en0", true},          {"utun3", true},     {"wlp2s0", true},  {"my_tun", true},
        {"veth-a", false},      {"eth0.100", false}, {"eth0:1", false}, {"", false},
        {"wl\xc3\xa4n", false}, {"a b", false},
    };
    for (const auto& [name, accepted] : cases) {
        EXPECT_EQ(isBsdInterfaceName(name), accepted) << name;
    }
}

TEST(IpconfigTest, AddressIsTheInterfacesFirstIpv4Address) {
    const auto interfaces = sampleInterfaces();
    EXPECT_EQ(ipv4AddressOfInterface(interfaces, "eth0"), address("192.0.2.2"));
    EXPECT_EQ(ipv4AddressOfInterface(interfaces, "veth-a"), address("10.99.0.1"));
    EXPECT_EQ(ipv4AddressOfInterface(interfaces, "eth1"), std::nullopt);
    EXPECT_EQ(ipv4AddressOfInterface(interfaces, "en9"), std::nullopt);
    EXPECT_EQ(ipv4AddressOfInterface(interfaces, ""), std::nullopt);
}

TEST(IpconfigTest, RouterIsTheInterfacesPreferredDefaultGateway) {
    const std::vector<Route> routes = {
        {address("0.0.0.0"), 0, address("192.168.1.1"), "wlan0", 600, 0x3},
        {address("0.0.0.0"), 0, address("10.0.0.5"), "eth0", 200, 0x3},
        {address("0.0.0.0"), 0, address("10.0.0.1"), "eth0", 100, 0x3},
        {address("0.0.0.0"), 0, address("10.0.0.7"), "eth0", 100, 0x3},
        {address("0.0.0.0"), 1, address("10.8.0.1"), "tun0", 0, 0x3},
        {address("10.0.0.0"), 24, std::nullopt, "eth1", 0, 0x1},
        {address("0.0.0.0"), 0, std::nullopt, "eth1", 0, 0x1},
        {address("0.0.0.0"), 0, address("10.9.0.1"), "eth2", 0, 0x203},
    };
    const std::vector<std::pair<std::string, std::optional<IpAddress>>> cases = {
        {"eth0", address("10.0.0.1")}, {"wlan0", address("192.168.1.1")},
        {"tun0", std::nullopt},        {"eth1", std::nullopt},
        {"eth2", std::nullopt},        {"en0", std::nullopt},
    };
    for (const auto& [interface, router] : cases) {
        EXPECT_EQ(routerOfInterface(routes, interface), router) << interface;
    }
}

} // namespace
} // namespace lumra
