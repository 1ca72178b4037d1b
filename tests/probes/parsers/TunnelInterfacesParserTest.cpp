#include "probes/parsers/TunnelInterfacesParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>
#include <ostream>

namespace lumra {

void PrintTo(const VPNTunnelInterfaceStatus& tunnel, std::ostream* out) {
    *out << "{" << tunnel.name << " (" << tunnel.kind << ") <" << tunnel.flags << "> status "
         << (tunnel.status ? "'" + *tunnel.status + "'" : "none") << ", inet";
    for (const std::string& address : tunnel.ipv4Addresses) {
        *out << " " << address;
    }
    *out << ", inet6";
    for (const std::string& address : tunnel.ipv6Addresses) {
        *out << " " << address;
    }
    *out << "}";
}

namespace {

using Kind = VPNTunnelKind;
using Tunnels = std::vector<VPNTunnelInterfaceStatus>;

struct TunnelCase {
    ToolOutput output;
    Tunnels expected;
};

std::vector<TunnelCase> tunnelCases() {
    const std::string pointToPoint = "UP,POINTOPOINT,RUNNING,MULTICAST";
    return {
        {fixture("ifconfig/macos-ifconfig.txt"),
         {
             {"utun0",
              Kind::utun,
              pointToPoint,
              std::nullopt,
              {},
              {"fe80::3c1d:2e2f:a1b2:c3d4%utun0"}},
             {"utun3", Kind::utun, pointToPoint, std::nullopt, {"10.8.0.2"}, {"fd00:8::2"}},
             {"ipsec0", Kind::ipsec, "POINTOPOINT,MULTICAST", std::nullopt, {}, {}},
             {"tap1",
              Kind::tap,
              "UP,BROADCAST,RUNNING,SIMPLEX,MULTICAST",
              "Inactive",
              {"172.20.0.2", "172.20.1.2"},
              {}},
         }},
        {fixture("ifconfig/macos-ifconfig-odd-lines.txt"),
         {
             {"ppp0", Kind::ppp, "", "", {"10.64.0.5"}, {}},
             {"tun2", Kind::tun, "UP,RUNNING", std::nullopt, {}, {"2001:db8::7"}},
         }},
        {inlineOutput("empty output", ""), {}},
        {inlineOutput("CR LF line ends",
                      "utun1: flags=8051<UP,RUNNING> mtu 1380\r\n\tinet 10.2.0.2 --> 10.2.0.1\r\n"),
         {{"utun1", Kind::utun, "UP,RUNNING", std::nullopt, {"10.2.0.2"}, {}}}},
        {inlineOutput("the last status line wins",
                      "tun0: flags=1<UP>\n status: active\n status: inactive\n"),
         {{"tun0", Kind::tun, "UP", "inactive", {}, {}}}},
        {inlineOutput("a tunnel header that is not at the line's start is no header",
                      "utun2: flags=1<UP>\n  utun5: flags=1<UP>\n\tinet 10.5.0.1\n"),
         {{"utun2", Kind::utun, "UP", std::nullopt, {"10.5.0.1"}, {}}}},
        {inlineOutput(
             "kinds by name prefix",
             "pppoe0: flags=1<>\ntunnel7: flags=1<>\ntapx: flags=1<>\nutunnel: flags=1<>\n"),
         {
             {"pppoe0", Kind::ppp, "", std::nullopt, {}, {}},
             {"tunnel7", Kind::tun, "", std::nullopt, {}, {}},
             {"tapx", Kind::tap, "", std::nullopt, {}, {}},
             {"utunnel", Kind::utun, "", std::nullopt, {}, {}},
         }},
    };
}

void checkTunnelCases() {
    for (const TunnelCase& c : tunnelCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(parseTunnelInterfaces(c.output.text), c.expected);
    }
}

const CaseTableRegistration registration{"parseTunnelInterfaces", checkTunnelCases};

TEST(TunnelInterfacesParserTest, ReadsTunnelsWithFlagsStatusAndAddresses) {
    checkTunnelCases();
}

} // namespace
} // namespace lumra
