// The VPN verdict over the real tools: tunnels this test opens with TUNSETIFF
// and holds (a tun nobody holds has no carrier, so no RUNNING flag), routes it
// sets through them, and ShellWiFiNetworkMetadataResolver running ifconfig,
// netstat and scutil as lumra-systool through the allow-listed runner. The
// whole binary runs inside a namespace of its own (netns-fixture.sh), which
// main() checks before any test runs; no system bus is reachable, so the
// service list is empty and the tunnels decide.
#include "base/UniqueFd.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "probes/parsers/TunnelInterfacesParser.h"
#include "probes/parsers/VPNRoutesParser.h"
#include "probes/parsers/VPNServiceListParser.h"
#include "probes/runner/ShellCommandRunner.h"
#include "systool/SystoolPath.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lumra {

void PrintTo(const VPNRouteEntry& route, std::ostream* out) {
    *out << route.destination << " via " << route.interfaceName;
}

namespace {

using namespace std::chrono_literals;

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Inside the namespace the fixture named, which is not PID 1's.
bool insideTestNamespace() {
    const char* name = std::getenv("LUMRA_TEST_NETNS");
    if (name == nullptr || *name == '\0')
        return false;
    return !sameFile("/proc/self/ns/net", "/proc/1/ns/net") &&
           sameFile("/proc/self/ns/net", std::string("/run/netns/") + name);
}

::testing::AssertionResult ip(const std::string& arguments) {
    const char* program = std::getenv("LUMRA_IP");
    const std::string command = std::string(program != nullptr ? program : "ip") + " " + arguments;
    if (std::system(command.c_str()) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command << " failed";
}

// A tun device that exists while this process holds it open.
class HeldTunnel {
public:
    explicit HeldTunnel(const std::string& name)
        : m_name(name), m_fd(::open("/dev/net/tun", O_RDWR | O_CLOEXEC)) {
        if (!m_fd)
            return;
        ifreq request{};
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
        if (::ioctl(m_fd.get(), TUNSETIFF, &request) < 0)
            m_fd.reset();
    }

    bool isOpen() const { return m_fd.valid(); }
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
    UniqueFd m_fd;
};

// The kernel raises RUNNING once the link is up and the holder attached; a
// bounded wait for that kernel fact.
bool waitUntilRunning(const std::string& name) {
    const UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    bool running = false;
    for (int attempt = 0; attempt < 500 && !running; ++attempt) {
        ifreq request{};
        std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
        running = ::ioctl(probe.get(), SIOCGIFFLAGS, &request) == 0 &&
                  (request.ifr_flags & IFF_UP) != 0 && (request.ifr_flags & IFF_RUNNING) != 0;
        if (!running)
            std::this_thread::sleep_for(10ms);
    }
    return running;
}

// Brings a held tunnel up with an IPv4 address and no peer, so no route goes
// through it until a test adds one.
::testing::AssertionResult bringUp(const HeldTunnel& tunnel, const std::string& address) {
    if (!tunnel.isOpen())
        return ::testing::AssertionFailure()
               << "TUNSETIFF " << tunnel.name() << ": " << std::strerror(errno);
    if (!address.empty()) {
        if (auto added = ip("addr add " + address + " dev " + tunnel.name()); !added)
            return added;
    }
    if (auto up = ip("link set " + tunnel.name() + " up"); !up)
        return up;
    if (!waitUntilRunning(tunnel.name()))
        return ::testing::AssertionFailure() << tunnel.name() << " is not running";
    return ::testing::AssertionSuccess();
}

std::optional<VPNTunnelInterfaceStatus>
tunnelNamed(const std::vector<VPNTunnelInterfaceStatus>& tunnels, const std::string& name) {
    for (const VPNTunnelInterfaceStatus& tunnel : tunnels) {
        if (tunnel.name == name)
            return tunnel;
    }
    return std::nullopt;
}

bool hasFlag(const VPNTunnelInterfaceStatus& tunnel, const std::string& flag) {
    return tunnel.flags.find(flag) != std::string::npos;
}

class VPNTunnelNetnsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bringUp(m_tun7, "10.8.0.2/32")); }

    template <class T> T await(Task<T> task) {
        auto holder = std::make_shared<Task<T>>(std::move(task));
        return m_loop.await(spawn(mainActor(), [holder] { return std::move(*holder); }), 60s);
    }

    // Standard output of a clean run; fails the test otherwise.
    std::string output(const std::string& executable, std::vector<std::string> arguments) {
        auto request = CommandRequest{executable, std::move(arguments), kTimeout};
        try {
            return await(m_runner->run(std::move(request))).standardOutput;
        } catch (const std::exception& error) {
            ADD_FAILURE() << executable << ": " << error.what();
            return {};
        }
    }
    std::vector<VPNTunnelInterfaceStatus> tunnels() {
        return parseTunnelInterfaces(output("/sbin/ifconfig", {}));
    }
    // The IPv4 routes through tunnels, by destination (IPv6 link-local and
    // multicast routes come and go with the kernel's own addresses).
    std::vector<VPNRouteEntry> ipv4TunnelRoutes() {
        std::vector<VPNRouteEntry> routes;
        for (VPNRouteEntry& route : parseVPNRoutes(output("/usr/sbin/netstat", {"-rn"}))) {
            if (route.destination.find(':') == std::string::npos)
                routes.push_back(std::move(route));
        }
        std::sort(routes.begin(), routes.end(), [](const VPNRouteEntry& a, const VPNRouteEntry& b) {
            return a.destination < b.destination;
        });
        return routes;
    }
    bool isVPNActive() { return await(m_resolver.isVPNActive()); }

    // Generous: a slow machine must not turn a tool run into "no VPN".
    static constexpr double kTimeout = 10.0;

    RunLoop m_loop;
    std::shared_ptr<ShellCommandRunner> m_runner = std::make_shared<ShellCommandRunner>(
        makeAllowedExecutables(),
        std::map<std::string, std::string>{{"/sbin/ifconfig", kSystoolPath},
                                           {"/usr/sbin/netstat", kSystoolPath},
                                           {"/usr/sbin/scutil", kSystoolPath}});
    ShellWiFiNetworkMetadataResolver m_resolver{m_runner, kTimeout};
    HeldTunnel m_tun7{"tun7"};
};

TEST_F(VPNTunnelNetnsTest, NoServiceIsListedSoTheTunnelsDecide) {
    const std::string services = output("/usr/sbin/scutil", {"--nc", "list"});
    EXPECT_EQ(services, "Available network connection services in the current set (*=enabled):\n");
    EXPECT_TRUE(parseVPNServiceList(services).empty());
}

TEST_F(VPNTunnelNetnsTest, IfconfigShowsTheHeldTunRunningWithItsAddress) {
    const auto tun7 = tunnelNamed(tunnels(), "tun7");
    ASSERT_TRUE(tun7);
    EXPECT_EQ(tun7->kind, VPNTunnelKind::tun);
    EXPECT_TRUE(hasFlag(*tun7, "UP")) << tun7->flags;
    EXPECT_TRUE(hasFlag(*tun7, "RUNNING")) << tun7->flags;
    EXPECT_TRUE(hasFlag(*tun7, "POINTOPOINT")) << tun7->flags;
    EXPECT_EQ(tun7->status, std::nullopt);
    EXPECT_EQ(tun7->ipv4Addresses, std::vector<std::string>{"10.8.0.2"});
    for (const std::string& address : tun7->ipv6Addresses)
        EXPECT_TRUE(address.starts_with("fe80:"))
            << address << ": only the kernel's link-local address";
}

// A tun with a usable IPv4 address counts only with a specific route
// through it; default and half-default routes are no evidence.
TEST_F(VPNTunnelNetnsTest, TheVerdictForEachRouteSetThroughATun) {
    struct RouteSet {
        std::string what;
        std::vector<std::string> added;
        std::vector<VPNRouteEntry> listed;
        bool active;
    };
    const std::vector<RouteSet> sets{
        {"no route through it", {}, {}, false},
        {"OpenVPN's half-default routes alone",
         {"0.0.0.0/1", "128.0.0.0/1"},
         {{"0/1", "tun7"}, {"128.0/1", "tun7"}},
         false},
        {"a default route", {"default"}, {{"default", "tun7"}}, false},
        {"the half-default routes and the VPN's own network",
         {"0.0.0.0/1", "128.0.0.0/1", "10.8.0.0/16"},
         {{"0/1", "tun7"}, {"10.8/16", "tun7"}, {"128.0/1", "tun7"}},
         true},
        {"a specific network alone", {"10.8.0.0/16"}, {{"10.8/16", "tun7"}}, true},
        {"a host route to the peer", {"10.8.0.1"}, {{"10.8.0.1", "tun7"}}, true},
        // netstat abbreviates a class C network to its three octets and no
        // length, which is no address and has no "/": not specific.
        {"a class C network", {"192.168.100.0/24"}, {{"192.168.100", "tun7"}}, false},
        {"link-local and multicast networks",
         {"169.254.0.0/16", "224.0.0.0/4"},
         {{"169.254", "tun7"}, {"224.0.0/4", "tun7"}},
         false},
    };
    for (const RouteSet& set : sets) {
        SCOPED_TRACE(set.what);
        ASSERT_TRUE(ip("route flush dev tun7"));
        for (const std::string& route : set.added)
            ASSERT_TRUE(ip("route add " + route + " dev tun7"));
        EXPECT_EQ(ipv4TunnelRoutes(), set.listed);
        EXPECT_EQ(isVPNActive(), set.active);
    }
}

TEST_F(VPNTunnelNetnsTest, ATunNobodyHoldsIsNotRunningAndNeverCounts) {
    ASSERT_TRUE(ip("tuntap add dev tun9 mode tun"));
    ASSERT_TRUE(ip("addr add 10.9.0.2/32 dev tun9"));
    ASSERT_TRUE(ip("link set tun9 up"));
    ASSERT_TRUE(ip("route add 10.9.0.0/16 dev tun9"));
    const auto tun9 = tunnelNamed(tunnels(), "tun9");
    ASSERT_TRUE(tun9);
    EXPECT_TRUE(hasFlag(*tun9, "UP")) << tun9->flags;
    EXPECT_FALSE(hasFlag(*tun9, "RUNNING")) << tun9->flags;
    EXPECT_EQ(ipv4TunnelRoutes(), (std::vector<VPNRouteEntry>{{"10.9/16", "tun9"}}));
    EXPECT_FALSE(isVPNActive());
    EXPECT_TRUE(ip("tuntap del dev tun9 mode tun"));
}

TEST_F(VPNTunnelNetnsTest, AUtunNamedTunnelCountsWithoutARoute) {
    HeldTunnel utun7("utun7");
    ASSERT_TRUE(bringUp(utun7, "10.7.0.2/32"));
    const auto record = tunnelNamed(tunnels(), "utun7");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, VPNTunnelKind::utun);
    EXPECT_EQ(record->ipv4Addresses, std::vector<std::string>{"10.7.0.2"});
    EXPECT_TRUE(ipv4TunnelRoutes().empty());
    EXPECT_TRUE(isVPNActive());
}

TEST_F(VPNTunnelNetnsTest, AnIPv6OnlyTunCountsByItsGlobalAddressAndPrefixRouteOnly) {
    HeldTunnel tun8("tun8");
    ASSERT_TRUE(bringUp(tun8, ""));
    ASSERT_TRUE(ip("route add 10.9.0.0/16 dev tun8"));
    auto record = tunnelNamed(tunnels(), "tun8");
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->ipv4Addresses.empty());
    EXPECT_FALSE(isVPNActive())
        << "no usable address: a link-local one at most, whatever the routes";

    // The global address brings its /64 through the tunnel, a specific route.
    ASSERT_TRUE(ip("route del 10.9.0.0/16 dev tun8"));
    ASSERT_TRUE(ip("-6 addr add fd00:9::2/64 dev tun8 nodad"));
    record = tunnelNamed(tunnels(), "tun8");
    ASSERT_TRUE(record);
    EXPECT_NE(std::find(record->ipv6Addresses.begin(), record->ipv6Addresses.end(), "fd00:9::2"),
              record->ipv6Addresses.end());
    const auto routes = parseVPNRoutes(output("/usr/sbin/netstat", {"-rn"}));
    EXPECT_NE(std::find(routes.begin(), routes.end(), VPNRouteEntry{"fd00:9::/64", "tun8"}),
              routes.end());
    EXPECT_TRUE(isVPNActive());
}

} // namespace
} // namespace lumra

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Tunnels and routes made anywhere else would change the machine itself.
    if (!lumra::insideTestNamespace()) {
        std::cerr << "refusing to run outside the test's own network namespace\n";
        return 1;
    }
    return RUN_ALL_TESTS();
}
