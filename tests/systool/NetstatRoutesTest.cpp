#include "systool/NetstatRoutes.h"

#include "systool/RouteTable.h"
#include "tests/systool/Fixtures.h"
#include "tests/systool/ToolOutputRules.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

IpAddress address(const char* text) {
    return *IpAddress::parse(text);
}

const InterfaceIndexes kIndexes = {{"lo", 1}, {"eth0", 2}, {"wlan0", 3}, {"tun0", 7}};

std::uint32_t ipv4(const char* text) {
    return address(text).ipv4HostOrder();
}

TEST(NetstatRoutesTest, Ipv4NetworksUseBsdAbbreviations) {
    const std::vector<std::tuple<const char*, const char*, std::string>> cases = {
        {"0.0.0.0", "128.0.0.0", "0/1"},
        {"128.0.0.0", "128.0.0.0", "128.0/1"},
        {"10.8.0.0", "255.255.0.0", "10.8/16"},
        {"10.0.0.0", "255.0.0.0", "10"},
        {"10.0.0.0", "255.255.255.0", "10/24"},
        {"10.211.55.0", "255.255.255.0", "10.211.55/24"},
        {"127.0.0.0", "255.0.0.0", "127"},
        {"169.254.0.0", "255.255.0.0", "169.254"},
        {"172.16.0.0", "255.240.0.0", "172.16/12"},
        {"192.168.1.0", "255.255.255.0", "192.168.1"},
        {"192.168.1.128", "255.255.255.128", "192.168.1.128/25"},
        {"224.0.0.0", "240.0.0.0", "224.0.0/4"},
        {"10.1.2.3", "255.255.255.255", "10.1.2.3/32"},
    };
    for (const auto& [network, mask, expected] : cases) {
        EXPECT_EQ(bsdIpv4NetworkName(ipv4(network), ipv4(mask)), expected)
            << network << " " << mask;
    }
}

TEST(NetstatRoutesTest, DestinationsGatewaysAndFlags) {
    struct Case {
        Route route;
        std::string destination;
        std::string gateway;
        std::string flags;
    };
    const std::vector<Case> cases = {
        {{address("0.0.0.0"), 0, address("10.0.0.1"), "eth0", 100, 0x3},
         "default",
         "10.0.0.1",
         "UGS"},
        {{address("10.0.0.0"), 24, std::nullopt, "eth0", 100, 0x1}, "10/24", "link#2", "UCS"},
        {{address("203.0.113.5"), 32, address("10.0.0.1"), "eth0", 0, 0x7},
         "203.0.113.5",
         "10.0.0.1",
         "UGHS"},
        {{address("10.9.0.0"), 16, address("10.0.0.1"), "eth0", 0, 0x33},
         "10.9/16",
         "10.0.0.1",
         "UGDM"},
        {{address("::"), 0, address("fe80::1"), "wlan0", 1024, 0x00450003},
         "default",
         "fe80::1%wlan0",
         "UG"},
        {{address("fe80::"), 64, std::nullopt, "eth0", 256, 0x1},
         "fe80::%eth0/64",
         "link#2",
         "UCS"},
        {{address("::1"), 128, std::nullopt, "lo", 0, 0x80200001}, "::1", "link#1", "UHL"},
        {{address("ff02::"), 16, std::nullopt, "eth0", 256, 0x1},
         "ff02::%eth0/16",
         "link#2",
         "UCS"},
        {{address("ff00::"), 8, std::nullopt, "eth0", 256, 0x1}, "ff00::/8", "link#2", "UCS"},
        {{address("2001:db8::"), 32, address("2001:db8::1"), "eth0", 1024, 0x3},
         "2001:db8::/32",
         "2001:db8::1",
         "UGS"},
        {{address("10.0.0.0"), 8, std::nullopt, "veth9", 0, 0x1}, "10", "link#0", "UCS"},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(bsdRouteDestination(row.route), row.destination);
        EXPECT_EQ(bsdRouteGateway(row.route, kIndexes), row.gateway) << row.destination;
        EXPECT_EQ(bsdRouteFlags(row.route), row.flags) << row.destination;
    }
}

TEST(NetstatRoutesTest, ReadsKernelRouteTables) {
    const auto ipv4 = parseProcNetRoute(test::fixtureText("proc/route"));
    ASSERT_EQ(ipv4.size(), 15u);
    EXPECT_EQ(ipv4[0], (Route{address("0.0.0.0"), 0, address("192.168.1.1"), "wlan0", 600, 0x3}));
    EXPECT_EQ(ipv4[5], (Route{address("10.8.0.0"), 16, std::nullopt, "tun0", 0, 0x1}));
    const auto ipv6 = parseProcNetIpv6Route(test::fixtureText("proc/ipv6_route"));
    ASSERT_EQ(ipv6.size(), 11u);
    EXPECT_EQ(ipv6[3], (Route{address("::"), 0, address("fe80::1"), "wlan0", 1024, 0x00450003}));
    EXPECT_EQ(ipv6[10].metric, 0xffffffffu);
}

TEST(NetstatRoutesTest, MetricPrintedNegativeReadsAsUnsigned) {
    const auto routes =
        parseProcNetRoute("eth0\t00000000\t0100000A\t0003\t0\t0\t-1\t00000000\t0\t0\t0\n");
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes[0].metric, 0xffffffffu);
    EXPECT_TRUE(
        parseProcNetRoute("eth0\t00000000\t0100000A\t0003\t0\t0\t1x\t00000000\t0\t0\t0\n").empty());
    EXPECT_TRUE(
        parseProcNetRoute("eth0\t00000000\t0100000A\t0003\t0\t0\t4294967296\t00000000\t0\t0\t0\n")
            .empty());
}

TEST(NetstatRoutesTest, RejectingRoutesAndUnprintableInterfacesAreLeftOut) {
    const std::vector<std::pair<Route, bool>> cases = {
        {{address("10.0.0.0"), 8, std::nullopt, "eth0", 0, 0x1}, true},
        {{address("10.0.0.0"), 8, std::nullopt, "br-1a2b", 0, 0x1}, true},
        {{address("198.51.100.0"), 24, std::nullopt, "*", 0, 0x201}, false},
        {{address("::"), 0, std::nullopt, "lo", 0xffffffff, 0x00200200}, false},
        {{address("10.0.0.0"), 8, std::nullopt, "a b", 0, 0x1}, false},
        {{address("10.0.0.0"), 8, std::nullopt,
          "a\xc2\x85"
          "b",
          0, 0x1},
         false},
        {{address("10.0.0.0"), 8, std::nullopt, "", 0, 0x1}, false},
    };
    for (const auto& [route, listed] : cases) {
        EXPECT_EQ(isListedRoute(route), listed) << route.interfaceName;
    }
}

TEST(NetstatRoutesTest, SeveralDefaultRoutesComeInMetricOrder) {
    const std::vector<Route> routes = {
        {address("0.0.0.0"), 0, address("192.168.1.1"), "wlan0", 600, 0x3},
        {address("10.0.0.0"), 24, std::nullopt, "eth0", 0, 0x1},
        {address("0.0.0.0"), 0, address("10.0.0.1"), "eth0", 100, 0x3},
        {address("0.0.0.0"), 0, address("10.0.1.1"), "eth1", 100, 0x3},
        {address("0.0.0.0"), 1, address("10.8.0.1"), "tun0", 0, 0x3},
    };
    const std::string output = formatRoutingTable({routes, std::nullopt}, kIndexes);
    const auto defaults = test::defaultRouteLines(output);
    ASSERT_EQ(defaults.size(), 3u);
    EXPECT_EQ(defaults[0][1], "10.0.0.1");
    EXPECT_EQ(defaults[1][1], "10.0.1.1");
    EXPECT_EQ(defaults[2][1], "192.168.1.1");
    EXPECT_EQ(defaults[2][3], "wlan0");
}

// Whole tables compared with reviewed copies.
TEST(NetstatRoutesTest, FormatsTablesLikeBsdNetstat) {
    const auto ipv4 = parseProcNetRoute(test::fixtureText("proc/route"));
    const auto ipv6 = parseProcNetIpv6Route(test::fixtureText("proc/ipv6_route"));
    EXPECT_EQ(formatRoutingTable({ipv4, std::nullopt}, kIndexes),
              test::fixtureText("expected/netstat-rn-f-inet.txt"));
    EXPECT_EQ(formatRoutingTable({std::nullopt, ipv6}, kIndexes),
              test::fixtureText("expected/netstat-rn-f-inet6.txt"));
    EXPECT_EQ(formatRoutingTable({ipv4, ipv6}, kIndexes),
              test::fixtureText("expected/netstat-rn.txt"));
}

TEST(NetstatRoutesTest, LongNamesWidenColumnsSoFieldsStaySeparate) {
    const std::vector<Route> routes = {
        {address("255.255.255.255"), 32, address("203.0.113.254"), "enp0s31f6abcdefg", 0, 0x7},
    };
    const auto lines = test::splitLines(formatRoutingTable({routes, std::nullopt}, kIndexes));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(
        test::splitFields(lines[3]),
        (std::vector<std::string>{"255.255.255.255", "203.0.113.254", "UGHS", "enp0s31f6abcdefg"}));
}

} // namespace
} // namespace lumra
