// lumra-systool against the kernel, inside the client namespace the ctest
// fixture creates (tests/systool/netns.sh): a veth to a router namespace,
// default routes through it. The whole binary runs under `ip netns exec`;
// every test first checks that it is not in the machine's own namespace.
#include "base/UniqueFd.h"
#include "systool/NetstatTcp.h"
#include "systool/SystoolPath.h"
#include "systool/TcpSocketDiag.h"
#include "systool/TcpSocketTable.h"
#include "tests/systool/NetnsTesting.h"
#include "tests/systool/ToolOutputRules.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <net/if.h>
#include <netinet/in.h>
#include <set>
#include <signal.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace lumra {
namespace {

using test::namespaceOf;

using namespace std::chrono_literals;
using Arguments = std::vector<std::string>;

constexpr const char* kClientAddress = "10.213.0.2";
constexpr const char* kRouterAddress = "10.213.0.1";

std::string clientInterface() {
    const char* name = std::getenv("LUMRA_SYSTOOL_NETNS_IF");
    return name == nullptr ? std::string() : std::string(name);
}

// Inside the fixture's namespace: not pid 1's, and the veth is there.
::testing::AssertionResult inOwnNamespace() {
    const std::string own = namespaceOf("/proc/self/ns/net");
    if (own.empty() || own == namespaceOf("/proc/1/ns/net")) {
        return ::testing::AssertionFailure() << "not inside a test network namespace";
    }
    if (clientInterface().empty() || if_nametoindex(clientInterface().c_str()) == 0) {
        return ::testing::AssertionFailure() << "interface " << clientInterface() << " missing";
    }
    return ::testing::AssertionSuccess();
}

test::ProcessResult runTool(const Arguments& argv) {
    return test::runProgram(kSystoolPath, argv, {}, 20s);
}

std::string ipProgram() {
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (access(path, X_OK) == 0) {
            return path;
        }
    }
    return "ip";
}

bool runIp(const Arguments& arguments) {
    Arguments argv{"ip"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto result = test::runProgram(ipProgram(), argv, {}, 10s);
    return result.exitCode == 0;
}

std::string readFile(const char* path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The kernel's own count per state for the sockets the BSD listing shows:
// all but listening sockets (the namespace holds only this test's sockets,
// none of them bound to a wildcard address but the listeners).
std::map<std::string, int> kernelStateCounts() {
    const std::map<std::string, std::string> names = {
        {"01", "ESTABLISHED"}, {"02", "SYN_SENT"},  {"03", "SYN_RCVD"}, {"04", "FIN_WAIT_1"},
        {"05", "FIN_WAIT_2"},  {"06", "TIME_WAIT"}, {"07", "CLOSED"},   {"08", "CLOSE_WAIT"},
        {"09", "LAST_ACK"},    {"0B", "CLOSING"},
    };
    std::map<std::string, int> counts;
    for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        for (const std::string& line : test::splitLines(readFile(path))) {
            const auto fields = test::splitFields(line);
            if (fields.size() > 3 && names.count(fields[3]) != 0) {
                ++counts[names.at(fields[3])];
            }
        }
    }
    return counts;
}

struct Listener {
    UniqueFd socket;
    sockaddr_storage address{};
    socklen_t length = 0;
    unsigned port = 0;
};

// Bound to a free port of host; listening unless told otherwise.
Listener socketOn(const char* host, bool listening) {
    Listener listener;
    const bool ipv6 = std::string(host).find(':') != std::string::npos;
    listener.socket = UniqueFd(socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&listener.address);
        in6->sin6_family = AF_INET6;
        inet_pton(AF_INET6, host, &in6->sin6_addr);
        listener.length = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&listener.address);
        in->sin_family = AF_INET;
        inet_pton(AF_INET, host, &in->sin_addr);
        listener.length = sizeof(sockaddr_in);
    }
    auto* address = reinterpret_cast<sockaddr*>(&listener.address);
    if (bind(listener.socket.get(), address, listener.length) == 0 &&
        (!listening || listen(listener.socket.get(), 16) == 0) &&
        getsockname(listener.socket.get(), address, &listener.length) == 0) {
        listener.port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(address)->sin6_port
                                   : reinterpret_cast<sockaddr_in*>(address)->sin_port);
    }
    return listener;
}

Listener listenOn(const char* host) {
    return socketOn(host, /*listening=*/true);
}

struct Pair {
    UniqueFd client;
    UniqueFd server;
};

Pair connectTo(const Listener& listener) {
    Pair pair;
    pair.client = UniqueFd(socket(listener.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connect(pair.client.get(), reinterpret_cast<const sockaddr*>(&listener.address),
                listener.length) == 0) {
        pair.server = UniqueFd(accept4(listener.socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }
    return pair;
}

bool waitForKernelCount(const std::string& state, int atLeast) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto counts = kernelStateCounts();
        if (counts.count(state) != 0 && counts.at(state) >= atLeast) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

bool hasLine(const std::string& output, const std::vector<std::string>& expectedFields) {
    for (const std::string& line : test::splitLines(output)) {
        if (test::splitFields(line) == expectedFields) {
            return true;
        }
    }
    return false;
}

TEST(SystoolNetnsTest, TcpStateCountsMatchTheKernel) {
    ASSERT_TRUE(inOwnNamespace());
    const Listener ipv4 = listenOn(kClientAddress);
    const Listener ipv6 = listenOn("::1");
    ASSERT_NE(ipv4.port, 0u);
    ASSERT_NE(ipv6.port, 0u);
    const Pair established = connectTo(ipv4);
    const Pair established6 = connectTo(ipv6);
    ASSERT_GE(established.server.get(), 0);
    ASSERT_GE(established6.server.get(), 0);
    // The side that closes first ends in TIME_WAIT once the other closes.
    Pair timeWait = connectTo(ipv4);
    timeWait.client.reset();
    timeWait.server.reset();
    // A peer that has closed leaves the other side in CLOSE_WAIT.
    Pair closeWait = connectTo(ipv4);
    closeWait.client.reset();
    ASSERT_TRUE(waitForKernelCount("TIME_WAIT", 1));
    ASSERT_TRUE(waitForKernelCount("CLOSE_WAIT", 1));
    // The closing side leaves FIN_WAIT_1 only when its FIN is acknowledged,
    // which may come after the peer's CLOSE_WAIT shows.
    ASSERT_TRUE(waitForKernelCount("FIN_WAIT_2", 1));

    const auto result = runTool({"/usr/sbin/netstat", "-n", "-p", "tcp"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto shown = test::tcpStateCounts(result.out);
    EXPECT_EQ(shown, kernelStateCounts()) << result.out;
    EXPECT_EQ(shown.count("LISTEN"), 0u);
    EXPECT_GE(shown.at("ESTABLISHED"), 4);
    const std::string server = std::string(kClientAddress) + "." + std::to_string(ipv4.port);
    EXPECT_NE(result.out.find(server), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("::1." + std::to_string(ipv6.port)), std::string::npos) << result.out;
    for (const std::string& line : test::splitLines(result.out)) {
        const auto fields = test::splitFields(line);
        if (fields.size() == 6 && fields[3] == server && fields[5] == "CLOSE_WAIT") {
            EXPECT_EQ(fields[0], "tcp4");
        }
    }
}

std::vector<TcpSocket> sorted(std::vector<TcpSocket> sockets) {
    const auto key = [](const TcpSocket& socket) {
        return std::tuple(socket.localAddress.bytes, socket.localPort, socket.remoteAddress.bytes,
                          socket.remotePort, socket.state, socket.sendQueueBytes,
                          socket.receiveQueueBytes);
    };
    std::sort(sockets.begin(), sockets.end(),
              [&](const TcpSocket& a, const TcpSocket& b) { return key(a) < key(b); });
    return sockets;
}

std::vector<TcpSocket> procSockets(const char* path) {
    std::vector<TcpSocket> sockets;
    for (const TcpSocket& socket : parseProcNetTcp(readFile(path))) {
        if (socket.state != static_cast<std::uint8_t>(KernelTcpState::listen)) {
            sockets.push_back(socket);
        }
    }
    return sorted(sockets);
}

// The netlink reading holds exactly the sockets /proc lists, in every state
// the namespace can be made to hold, with their queues.
TEST(SystoolNetnsTest, NetlinkSocketsAreTheOnesProcLists) {
    ASSERT_TRUE(inOwnNamespace());
    const Listener ipv4 = listenOn(kClientAddress);
    const Listener ipv6 = listenOn("::1");
    // A dual-stack listener: an IPv4 peer shows in tcp6 as ::ffff:a.b.c.d.
    const Listener dual = listenOn("::");
    ASSERT_NE(dual.port, 0u);
    const Pair established = connectTo(ipv4);
    const Pair established6 = connectTo(ipv6);
    Listener dualAsIpv4 = listenOn("127.0.0.1");
    dualAsIpv4.socket.reset();
    auto* mapped = reinterpret_cast<sockaddr_in*>(&dualAsIpv4.address);
    mapped->sin_port = htons(static_cast<std::uint16_t>(dual.port));
    dualAsIpv4.socket = UniqueFd(dup(dual.socket.get()));
    const Pair viaMapped = connectTo(dualAsIpv4);
    ASSERT_GE(viaMapped.server.get(), 0);
    // Unread bytes sit in the receiving side's queue.
    const std::string data(1000, 'x');
    ASSERT_EQ(send(established.client.get(), data.data(), data.size(), 0), 1000);
    ASSERT_EQ(send(established6.server.get(), data.data(), 300, 0), 300);
    Pair timeWait = connectTo(ipv4);
    timeWait.client.reset();
    timeWait.server.reset();
    // The closing side waits in FIN_WAIT_2, its peer in CLOSE_WAIT.
    Pair closeWait = connectTo(ipv6);
    closeWait.client.reset();
    // A listener whose accept queue is full drops the next handshake: the
    // client stays in SYN_SENT.
    Listener full = listenOn("127.0.0.1");
    ASSERT_EQ(listen(full.socket.get(), 0), 0);
    UniqueFd queued(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(connect(queued.get(), reinterpret_cast<const sockaddr*>(&full.address), full.length),
              0);
    UniqueFd synSent(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    connect(synSent.get(), reinterpret_cast<const sockaddr*>(&full.address), full.length);
    for (const char* state : {"TIME_WAIT", "CLOSE_WAIT", "FIN_WAIT_2", "SYN_SENT"}) {
        ASSERT_TRUE(waitForKernelCount(state, 1)) << state;
    }
    // Bound sockets that neither listen nor connect: /proc leaves them out.
    const Listener bound = socketOn("127.0.0.1", /*listening=*/false);
    const Listener bound6 = socketOn("::1", /*listening=*/false);
    ASSERT_NE(bound.port, 0u);
    ASSERT_NE(bound6.port, 0u);
    std::this_thread::sleep_for(50ms); // let the sent bytes be acknowledged

    const auto ipv4Sockets = readTcpSocketsOverNetlink(AF_INET);
    const auto ipv6Sockets = readTcpSocketsOverNetlink(AF_INET6);
    ASSERT_TRUE(ipv4Sockets);
    ASSERT_TRUE(ipv6Sockets);
    EXPECT_EQ(sorted(*ipv4Sockets), procSockets("/proc/net/tcp"));
    EXPECT_EQ(sorted(*ipv6Sockets), procSockets("/proc/net/tcp6"));
    // The one-walk reading of both families gives the same tables.
    const auto both = readAllTcpSocketsOverNetlink();
    ASSERT_TRUE(both);
    EXPECT_EQ(sorted(both->ipv4), procSockets("/proc/net/tcp"));
    EXPECT_EQ(sorted(both->ipv6), procSockets("/proc/net/tcp6"));
    std::set<std::uint8_t> states;
    bool sawQueue = false;
    bool sawMapped = false;
    for (const auto* table : {&*ipv4Sockets, &*ipv6Sockets}) {
        for (const TcpSocket& socket : *table) {
            states.insert(socket.state);
            sawQueue = sawQueue || socket.receiveQueueBytes == 1000;
            sawMapped = sawMapped || socket.localAddress.isV4Mapped();
        }
    }
    EXPECT_EQ(states, (std::set<std::uint8_t>{1, 2, 5, 6, 8}));
    EXPECT_TRUE(sawQueue);
    EXPECT_TRUE(sawMapped);

    // And the tool prints what the /proc reading formats to.
    const auto result = runTool({"/usr/sbin/netstat", "-n", "-p", "tcp"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto lines = test::splitLines(result.out);
    auto expected = test::splitLines(
        formatTcpConnections(procSockets("/proc/net/tcp"), procSockets("/proc/net/tcp6")));
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

TEST(SystoolNetnsTest, RoutingTablesNameTheConfiguredGateways) {
    ASSERT_TRUE(inOwnNamespace());
    const std::string interface = clientInterface();
    const std::string link = "link#" + std::to_string(if_nametoindex(interface.c_str()));

    const auto inet = runTool({"/usr/sbin/netstat", "-rn", "-f", "inet"});
    ASSERT_EQ(inet.exitCode, 0) << inet.err;
    EXPECT_EQ(
        test::defaultRouteLines(inet.out),
        (std::vector<std::vector<std::string>>{{"default", kRouterAddress, "UGS", interface}}))
        << inet.out;
    EXPECT_TRUE(hasLine(inet.out, {"10.213/24", link, "UCS", interface})) << inet.out;

    const auto inet6 = runTool({"/usr/sbin/netstat", "-rn", "-f", "inet6"});
    ASSERT_EQ(inet6.exitCode, 0) << inet6.err;
    const auto defaults6 = test::defaultRouteLines(inet6.out);
    ASSERT_EQ(defaults6.size(), 1u) << inet6.out;
    EXPECT_EQ(defaults6[0][1], "fe80::1%" + interface);
    EXPECT_EQ(defaults6[0][3], interface);
    EXPECT_TRUE(hasLine(inet6.out, {"fd42:213::/64", link, "UCS", interface})) << inet6.out;

    const auto both = runTool({"/usr/sbin/netstat", "-rn"});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(test::defaultRouteLines(both.out).size(), 2u) << both.out;
}

class ExtraRoute {
public:
    ExtraRoute(std::string gateway, std::string metric)
        : m_gateway(std::move(gateway)), m_metric(std::move(metric)) {
        m_added = runIp({"route", "add", "default", "via", m_gateway, "dev", clientInterface(),
                         "metric", m_metric});
    }
    ~ExtraRoute() {
        if (m_added) {
            runIp({"route", "del", "default", "via", m_gateway, "dev", clientInterface(), "metric",
                   m_metric});
        }
    }
    bool added() const { return m_added; }

private:
    std::string m_gateway;
    std::string m_metric;
    bool m_added = false;
};

TEST(SystoolNetnsTest, SeveralDefaultRoutesAreListedInMetricOrder) {
    ASSERT_TRUE(inOwnNamespace());
    const ExtraRoute worst("10.213.0.4", "300");
    const ExtraRoute middle("10.213.0.3", "200");
    ASSERT_TRUE(worst.added() && middle.added());
    const auto result = runTool({"/usr/sbin/netstat", "-rn", "-f", "inet"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> gateways;
    for (const auto& fields : test::defaultRouteLines(result.out)) {
        gateways.push_back(fields.at(1));
    }
    EXPECT_EQ(gateways, (std::vector<std::string>{kRouterAddress, "10.213.0.3", "10.213.0.4"}))
        << result.out;
    const auto router = runTool({"/usr/sbin/ipconfig", "getoption", clientInterface(), "router"});
    EXPECT_EQ(router.out, std::string(kRouterAddress) + "\n");
}

TEST(SystoolNetnsTest, IpconfigAnswersFromTheNamespace) {
    ASSERT_TRUE(inOwnNamespace());
    const std::vector<std::tuple<Arguments, int, std::string>> cases = {
        {{"/usr/sbin/ipconfig", "getoption", clientInterface(), "router"},
         0,
         std::string(kRouterAddress) + "\n"},
        {{"/usr/sbin/ipconfig", "getifaddr", clientInterface()},
         0,
         std::string(kClientAddress) + "\n"},
        {{"/usr/sbin/ipconfig", "getifaddr", "lo"}, 0, "127.0.0.1\n"},
        {{"/usr/sbin/ipconfig", "getoption", "lo", "router"}, 1, ""},
        {{"/usr/sbin/ipconfig", "getifaddr", "lumra-none0"}, 1, ""},
        {{"/usr/sbin/ipconfig", "getoption", "lumra-none0", "router"}, 1, ""},
    };
    for (const auto& [argv, exitCode, out] : cases) {
        const auto result = runTool(argv);
        EXPECT_EQ(result.exitCode, exitCode) << argv[1] << " " << argv[2];
        EXPECT_EQ(result.out, out) << argv[1] << " " << argv[2];
    }
}

TEST(SystoolNetnsTest, IfconfigListsTheVethWithItsAddresses) {
    ASSERT_TRUE(inOwnNamespace());
    const auto result = runTool({"/sbin/ifconfig"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto headers = test::interfaceHeaders(result.out);
    ASSERT_EQ(headers.size(), 2u) << result.out;
    EXPECT_EQ(headers[0].name, "lo");
    EXPECT_EQ(headers[1].name, clientInterface());
    EXPECT_NE(headers[1].flags.find("UP"), std::string::npos);
    EXPECT_NE(headers[1].flags.find("RUNNING"), std::string::npos);
    const std::string block = result.out.substr(result.out.find(clientInterface() + ": "));
    EXPECT_NE(block.find("\tinet 10.213.0.2 netmask 0xffffff00 \n"), std::string::npos) << block;
    EXPECT_NE(block.find("\tinet6 fd42:213::2 prefixlen 64 \n"), std::string::npos) << block;
    EXPECT_NE(block.find("%" + clientInterface() + " prefixlen 64 scopeid 0x"), std::string::npos)
        << block;
    EXPECT_NE(block.find("\tstatus: active\n"), std::string::npos) << block;
}

TEST(SystoolNetnsTest, PingReachesLoopbackAndTheRouter) {
    ASSERT_TRUE(inOwnNamespace());
    const std::vector<Arguments> cases = {
        {"/sbin/ping", "-c", "1", "-W", "1000", "127.0.0.1"},
        {"/sbin/ping", "-c", "2", "-W", "1000", kRouterAddress},
        {"/sbin/ping6", "-c", "1", "fe80::1%" + clientInterface()},
        {"/sbin/ping6", "-c", "1", "fd42:213::1"},
    };
    for (const Arguments& argv : cases) {
        const auto result = runTool(argv);
        EXPECT_EQ(result.exitCode, 0) << argv.back() << ": " << result.out << result.err;
        EXPECT_TRUE(test::pingSummary(result.out).has_value()) << result.out;
        EXPECT_EQ(test::packetLossPercent(result.out), 0.0) << result.out;
    }
}

// -W is milliseconds: 300 must not become 300 seconds.
TEST(SystoolNetnsTest, UnansweredPingEndsAfterItsWaitWithoutSummary) {
    ASSERT_TRUE(inOwnNamespace());
    const auto start = std::chrono::steady_clock::now();
    const auto result = runTool({"/sbin/ping", "-c", "1", "-W", "300", "10.213.0.99"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_FALSE(test::pingSummary(result.out).has_value()) << result.out;
    EXPECT_EQ(test::packetLossPercent(result.out), 100.0) << result.out;
}

TEST(SystoolNetnsTest, TerminatingAPingToTheRouterLeavesNoProcess) {
    ASSERT_TRUE(inOwnNamespace());
    test::Subprocess child(kSystoolPath, {"/sbin/ping", "-c", "100", "-W", "1000", kRouterAddress});
    ASSERT_TRUE(child.waitForOutput("bytes from", 10s)) << "no reply from the router";
    child.signal(SIGTERM);
    const auto result = child.finish(10s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, SIGTERM);
    EXPECT_FALSE(test::processGroupExists(child.pid()));
}

} // namespace
} // namespace lumra
