#include "probes/parsers/VPNRoutesParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>
#include <ostream>

namespace lumra {

void PrintTo(const VPNRouteEntry& route, std::ostream* out) {
    *out << "{" << route.destination << " via " << route.interfaceName << "}";
}

namespace {

using Routes = std::vector<VPNRouteEntry>;

struct RoutesCase {
    ToolOutput output;
    Routes expected;
};

std::vector<RoutesCase> routesCases() {
    return {
        {fixture("netstat/macos-routes-all.txt"),
         {
             {"0/1", "utun3"},
             {"10.8/16", "utun3"},
             {"10.8.0.1", "utun3"},
             {"128.0/1", "utun3"},
             {"default", "utun0"},
             {"fd00:8::/64", "utun3"},
             {"fe80::%utun0/64", "utun0"},
         }},
        {fixture("netstat/macos-routes-inet.txt"), {}},
        {inlineOutput("empty output", ""), {}},
        {inlineOutput("the last tunnel word of the line", "10.1/16 tun5 UGSc utun2 !\n"),
         {{"10.1/16", "utun2"}}},
        {inlineOutput("the first word counts too", "ppp0\n"), {{"ppp0", "ppp0"}}},
        {inlineOutput("header words only at the start",
                      "Destination Gateway Flags Netif\nInternet6: tun0\nRouting tun1\n10/8 "
                      "Internet: tap0\n"),
         {{"10/8", "tap0"}}},
        {inlineOutput("lines by U+2028, words by tabs",
                      "10.3/16\t10.3.0.1\tUGSc\tipsec0\u2028default\tx\tUGSc\ten0"),
         {{"10.3/16", "ipsec0"}}},
    };
}

void checkRoutesCases() {
    for (const RoutesCase& c : routesCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(parseVPNRoutes(c.output.text), c.expected);
    }
}

const CaseTableRegistration registration{"parseVPNRoutes", checkRoutesCases};

TEST(VPNRoutesParserTest, ListsRoutesThroughTunnelInterfaces) {
    checkRoutesCases();
}

} // namespace
} // namespace lumra
