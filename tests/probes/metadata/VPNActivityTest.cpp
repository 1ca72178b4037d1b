#include "probes/metadata/VPNActivity.h"

#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "tests/support/AwaitTask.h"
#include "tests/support/FakeCommandRunner.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumra {
namespace {

TEST(SpecificRouteDestinationTest, DefaultHalfDefaultAndUnusableNetworksNeverCount) {
    struct Case {
        std::string destination;
        bool specific;
    };
    for (const Case& c : std::vector<Case>{{"default", false},
                                           {"DEFAULT", false},
                                           {"::/0", false},
                                           {"0/1", false},
                                           {"128.0/1", false},
                                           {"10.8/16", true},
                                           {"10.8.0.1", true},
                                           {"127.0.0.1", false},
                                           {"169.254/16", false},
                                           {"224.0.0/4", false},
                                           {"239.255/16", false},
                                           {"0/8", false},
                                           {"127/8", false},
                                           {"/8", false},
                                           {"fd00:1::/64", true},
                                           {"fe80::%utun0/64", false},
                                           {"ff02::/16", false}}) {
        EXPECT_EQ(isSpecificRouteDestination(c.destination), c.specific) << c.destination;
    }
}

VPNTunnelInterfaceStatus tunnel(std::string name, VPNTunnelKind kind, std::vector<std::string> v4,
                                std::vector<std::string> v6 = {},
                                std::optional<std::string> status = std::nullopt,
                                std::string flags = "UP,POINTOPOINT,RUNNING,MULTICAST") {
    return {std::move(name),   kind,          std::move(flags),
            std::move(status), std::move(v4), std::move(v6)};
}

TEST(VPNActivityTest, JudgesTunnelsByFlagsStatusAddressesAndRoutes) {
    using K = VPNTunnelKind;
    const std::vector<VPNRouteEntry> specific{{"10.8/16", "tun0"}, {"fd00:1::/64", "utun5"}};
    const std::vector<VPNRouteEntry> defaultOnly{{"default", "tun0"}, {"0/1", "utun5"}};
    struct Case {
        std::string what;
        VPNTunnelInterfaceStatus tunnel;
        std::vector<VPNRouteEntry> routes;
        bool active;
    };
    const std::vector<Case> cases{
        {"utun with a usable IPv4 needs no route",
         tunnel("utun3", K::utun, {"10.8.0.2"}),
         {},
         true},
        {"tun needs a specific route", tunnel("tun0", K::tun, {"10.8.0.2"}), defaultOnly, false},
        {"tun with a specific route", tunnel("tun0", K::tun, {"10.8.0.2"}), specific, true},
        {"tap needs a specific route",
         tunnel("tap0", K::tap, {"10.8.0.2"}),
         {{"0/1", "tap0"}, {"128.0/1", "tap0"}},
         false},
        {"a route through another tunnel does not count", tunnel("tap0", K::tap, {"10.8.0.2"}),
         specific, false},
        {"ipsec and ppp need no route", tunnel("ppp0", K::ppp, {"10.8.0.2"}), {}, true},
        {"not running",
         tunnel("utun3", K::utun, {"10.8.0.2"}, {}, std::nullopt, "UP,POINTOPOINT"),
         {},
         false},
        {"inactive in any case",
         tunnel("utun3", K::utun, {"10.8.0.2"}, {}, "  InActive "),
         {},
         false},
        {"link-local IPv6 only", tunnel("utun5", K::utun, {}, {"fe80::1%utun5"}), specific, false},
        {"global IPv6 with a route", tunnel("utun5", K::utun, {}, {"fd00:1::2"}), specific, true},
        {"global IPv6 without a specific route", tunnel("utun5", K::utun, {}, {"fd00:1::2"}),
         defaultOnly, false},
        {"loopback IPv4 is not usable", tunnel("utun3", K::utun, {"127.0.0.1"}), {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(evaluateVPNActivity({}, {c.tunnel}, c.routes), c.active) << c.what;
    EXPECT_TRUE(
        evaluateVPNActivity({{"ABC", "Work", VPNConnectionServiceState::connected}}, {}, {}))
        << "a connected service settles it without a tunnel";
    EXPECT_FALSE(
        evaluateVPNActivity({{"ABC", "Work", VPNConnectionServiceState::connecting}}, {}, specific))
        << "routes alone never count";
}

// tests/fixtures/<path>, byte for byte.
std::string fixture(const std::string& path) {
    std::ifstream file(std::string(LUMRA_FIXTURES_DIR) + "/" + path, std::ios::binary);
    if (!file)
        throw std::runtime_error("missing fixture " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ShellWiFiNetworkMetadataResolverTest, VerdictsOnCapturedToolOutput) {
    // Each source is a fixture, or none for a run that timed out.
    struct Case {
        std::string what;
        std::optional<std::string> services;
        std::optional<std::string> interfaces;
        std::optional<std::string> routes;
        bool active;
    };
    const std::string noServices = "scutil/macos-nc-list-empty.txt";
    const std::vector<Case> cases{
        {"a connected service settles it with no tunnel known", "scutil/macos-nc-list.txt",
         std::nullopt, std::nullopt, true},
        {"Connected in capitals", "scutil/macos-nc-list-odd-lines.txt", std::nullopt, std::nullopt,
         true},
        {"a utun with a usable address needs no route", noServices, "ifconfig/macos-ifconfig.txt",
         std::nullopt, true},
        {"the tun and tap of OpenVPN behind half-default and default routes only", noServices,
         "vpn/macos-ifconfig-openvpn.txt", "vpn/macos-routes-half-default.txt", false},
        {"the host route to the tun's peer is specific", noServices,
         "vpn/macos-ifconfig-openvpn.txt", "vpn/macos-routes-openvpn-tun.txt", true},
        {"a network route through the tap", noServices, "vpn/macos-ifconfig-openvpn.txt",
         "vpn/macos-routes-tap-network.txt", true},
        {"a tun with a global IPv6 address and no route through it; ppp0 and utun9 are not running",
         noServices, "ifconfig/macos-ifconfig-odd-lines.txt", "netstat/macos-routes-all.txt",
         false},
        {"routes alone never count", std::nullopt, std::nullopt, "netstat/macos-routes-all.txt",
         false},
        {"a failed ifconfig leaves it to services that are not connected", noServices, std::nullopt,
         "netstat/macos-routes-all.txt", false},
        {"lumra-systool on Linux: a held utun3 with half-default and specific routes",
         "systool/captured/scutil_--nc_list.txt", "systool/captured/ifconfig.tunnel.txt",
         "systool/captured/netstat_-rn.tunnel.txt", true},
        {"lumra-systool on Linux: NetworkManager's activated VPN",
         "systool/captured/scutil_--nc_list.networkmanager.txt", "systool/captured/ifconfig.txt",
         "systool/captured/netstat_-rn.txt", true},
        {"lumra-systool on Linux: no VPN", "systool/captured/scutil_--nc_list.txt",
         "systool/captured/ifconfig.txt", "systool/captured/netstat_-rn.txt", false},
        {"nothing answers", std::nullopt, std::nullopt, std::nullopt, false},
    };
    VirtualClockRunLoop loop;
    for (const Case& c : cases) {
        auto runner = std::make_shared<test::FakeCommandRunner>();
        const auto script = [&](const std::string& commandLine,
                                const std::optional<std::string>& path) {
            if (path)
                runner->succeed(commandLine, fixture(*path));
            else
                runner->fail(commandLine, CommandRunnerError::timedOut(commandLine, 2.0));
        };
        script("/usr/sbin/scutil --nc list", c.services);
        script("/sbin/ifconfig", c.interfaces);
        script("/usr/sbin/netstat -rn", c.routes);
        ShellWiFiNetworkMetadataResolver resolver(runner, 2.0);
        EXPECT_EQ(test::awaitTask(loop, resolver.isVPNActive()), c.active) << c.what;
    }
}

TEST(ShellWiFiNetworkMetadataResolverTest, RunsItsCommandsAndReadsWhatTheyGive) {
    VirtualClockRunLoop loop;
    auto runner = std::make_shared<test::FakeCommandRunner>();
    runner->succeed("/usr/sbin/ipconfig getifaddr wlan0", "  192.168.1.20 \n");
    runner->succeed("/usr/sbin/ipconfig getifaddr wlan1", "not an address\n");
    runner->succeed("/usr/sbin/scutil --nc list",
                    "Available network connection services in the current set (*=enabled):\n"
                    "* (Connected)      ABC-1 VPN (com.example.vpn) \"Work\" [VPN:com.example]\n");
    runner->fail("/sbin/ifconfig", CommandRunnerError::timedOut("/sbin/ifconfig", 2.0));
    runner->succeed("/usr/sbin/netstat -rn", "Routing tables\n");
    ShellWiFiNetworkMetadataResolver resolver(runner, 2.0);
    EXPECT_EQ(test::awaitTask(loop, resolver.ipAddress("wlan0")), "192.168.1.20");
    EXPECT_EQ(test::awaitTask(loop, resolver.ipAddress("wlan1")), std::nullopt);
    EXPECT_EQ(test::awaitTask(loop, resolver.ipAddress("wlan2")), std::nullopt);
    runner->requests.clear();
    EXPECT_TRUE(test::awaitTask(loop, resolver.isVPNActive()))
        << "a failed ifconfig leaves it to the services";
    EXPECT_EQ(runner->commandLines(),
              (std::vector<std::string>{"/usr/sbin/scutil --nc list", "/sbin/ifconfig",
                                        "/usr/sbin/netstat -rn"}));
    for (const CommandRequest& request : runner->requests)
        EXPECT_EQ(request.timeout, 2.0);
}

} // namespace
} // namespace lumra
