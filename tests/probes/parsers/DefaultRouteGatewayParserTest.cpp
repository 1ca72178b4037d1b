#include "probes/parsers/DefaultRouteGatewayParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

constexpr auto ipv4 = RouteAddressFamily::ipv4;
constexpr auto ipv6 = RouteAddressFamily::ipv6;

struct DefaultRouteCase {
    ToolOutput output;
    RouteAddressFamily family;
    std::optional<std::string> preferredInterfaceName;
    ParseOutcome<std::string> expected;
};

CommandParsingError missingRoute() {
    return CommandParsingError::missingPattern("/usr/sbin/netstat", "default <gateway> ...");
}

std::vector<DefaultRouteCase> defaultRouteCases() {
    return {
        {fixture("netstat/macos-routes-inet.txt"), ipv4, std::nullopt, std::string("192.168.1.1")},
        {fixture("systool/captured/netstat_-rn_-f_inet.txt"), ipv4, std::nullopt,
         std::string("10.213.0.1")},
        {fixture("systool/captured/netstat_-rn_-f_inet6.txt"), ipv6, std::nullopt,
         std::string("fe80::1%lsc0")},
        {fixture("systool/captured/netstat_-rn_-f_inet6.txt"), ipv6, "lsc0",
         std::string("fe80::1%lsc0")},
        {fixture("netstat/macos-routes-inet.txt"), ipv6, std::nullopt, missingRoute()},
        {fixture("netstat/macos-routes-inet6.txt"), ipv6, std::nullopt, std::string("fe80::1%en0")},
        {fixture("netstat/macos-routes-inet6.txt"), ipv6, "utun0", std::string("fe80::%utun0")},
        {fixture("netstat/macos-routes-inet6.txt"), ipv4, std::nullopt, missingRoute()},
        {fixture("netstat/macos-routes-inet-two-en.txt"), ipv4, std::nullopt,
         std::string("10.0.0.1")},
        {fixture("netstat/macos-routes-inet-two-en.txt"), ipv4, "en5", std::string("10.0.0.1")},
        {fixture("netstat/macos-routes-inet-two-en.txt"), ipv4, "en0", std::string("192.168.1.1")},
        {fixture("netstat/macos-routes-inet-link-only.txt"), ipv4, std::nullopt, missingRoute()},
        {fixture("netstat/macos-routes-inet-bare-default.txt"), ipv4, std::nullopt, missingRoute()},
        {fixture("netstat/macos-routes-inet-three-fields.txt"), ipv4, std::nullopt,
         std::string("10.0.0.1")},
        {inlineOutput("empty output", ""), ipv4, std::nullopt, missingRoute()},
        {inlineOutput("a bare default after a valid route still fails",
                      "default 192.168.1.1 UGSc en0\ndefault\n"),
         ipv4, std::nullopt, missingRoute()},
        {inlineOutput("Default is not default", "Default 192.168.1.1 UGSc en0\n"), ipv4,
         std::nullopt, missingRoute()},
        {inlineOutput("a preferred interface narrows the choice even to a worse rank",
                      "default 10.0.0.1 UGSc en0\ndefault 10.8.0.1 UGSc utun2\n"),
         ipv4, "utun2", std::string("10.8.0.1")},
        {inlineOutput("preference compares the whole name",
                      "default 10.0.0.1 UGSc en0\ndefault 10.0.0.2 UGSc en10\n"),
         ipv4, "en1", std::string("10.0.0.1")},
        {inlineOutput("gateway order is by text, not by number",
                      "default 10.0.0.9 UGSc en0\ndefault 10.0.0.10 UGSc en1\n"),
         ipv4, std::nullopt, std::string("10.0.0.10")},
        {inlineOutput("IPv6 zones take part in the text order",
                      "default fe80::1%en1 UGcg en1\ndefault fe80::1%en0 UGcg en0\n"),
         ipv6, std::nullopt, std::string("fe80::1%en0")},
        {inlineOutput("fields split by tabs and no-break spaces, lines by U+2028",
                      "default\tlink#4\tUCS\ten0\u2028default\u00A0172.16.0.1\u00A0UGSc\u00A0en0"),
         ipv4, std::nullopt, std::string("172.16.0.1")},
        {inlineOutput("a leading-zero IPv4 gateway is returned as printed",
                      "default 010.000.000.001 UGSc en0\n"),
         ipv4, std::nullopt, std::string("010.000.000.001")},
    };
}

void checkDefaultRouteCases() {
    for (const DefaultRouteCase& c : defaultRouteCases()) {
        SCOPED_TRACE(
            c.output.description + (c.family == ipv6 ? " (inet6" : " (inet") +
            (c.preferredInterfaceName ? ", prefer " + *c.preferredInterfaceName + ")" : ")"));
        const auto preferred = c.preferredInterfaceName
                                   ? std::optional<std::string_view>(*c.preferredInterfaceName)
                                   : std::nullopt;
        EXPECT_EQ(
            outcomeOf([&] { return parseDefaultRouteGateway(c.output.text, c.family, preferred); }),
            c.expected);
    }
}

// Interfaces in rank order; names of one inner list share a rank.
const std::vector<std::vector<std::string>> interfacesByRank{
    {"en0", "en12"},
    {"bridge100"},
    {"awdl0", "llw0"},
    {"eth0", "", "vmnet8", "EN0", "gif0"},
    {"utun3", "ipsec0", "tun1", "ppp0"},
    {"lo0"},
};

std::string twoRouteTable(const std::string& firstInterface, const std::string& secondInterface) {
    return "default 10.0.0.2 UGSc " + firstInterface + "\ndefault 10.0.0.1 UGSc " +
           secondInterface + "\n";
}

// A lower rank wins whatever the gateway text and line order; within a
// rank the smaller gateway text wins.
void checkInterfaceRanks() {
    for (std::size_t a = 0; a < interfacesByRank.size(); ++a) {
        for (std::size_t b = 0; b < interfacesByRank.size(); ++b) {
            for (const std::string& first : interfacesByRank[a]) {
                for (const std::string& second : interfacesByRank[b]) {
                    SCOPED_TRACE("'" + first + "' then '" + second + "'");
                    const std::string expected = a < b ? "10.0.0.2" : "10.0.0.1";
                    EXPECT_EQ(parseDefaultRouteGateway(twoRouteTable(first, second), ipv4),
                              expected);
                }
            }
        }
    }
}

const CaseTableRegistration registration{"parseDefaultRouteGateway", checkDefaultRouteCases};
const CaseTableRegistration ranks{"default route interface ranks", checkInterfaceRanks};

TEST(DefaultRouteGatewayParserTest, PicksTheBestDefaultGatewayOfTheFamily) {
    checkDefaultRouteCases();
}
TEST(DefaultRouteGatewayParserTest, InterfaceKindRanksBeforeGatewayText) {
    checkInterfaceRanks();
}

} // namespace
} // namespace lumra
