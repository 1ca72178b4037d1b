// The built lumra-systool as the command runner starts it: argv[0] is the
// requested path. Traffic goes to loopback only; the tables are only read.
#include "base/UniqueFd.h"
#include "systool/SystoolPath.h"
#include "tests/support/Subprocess.h"
#include "tests/systool/ToolOutputRules.h"

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Arguments = std::vector<std::string>;

test::ProcessResult runTool(const Arguments& argv, const Arguments& environment = {}) {
    return test::runProgram(kSystoolPath, argv, environment, 20s);
}

TEST(SystoolCliTest, RefusesCommandLinesItDoesNotAnswer) {
    const std::vector<Arguments> cases = {
        {"lumra-systool"},
        // Never a lookup here: this test runs in the machine's own namespace.
        {"lumra-systool", "dig", "+short", "example.invalid"},
        {"/usr/bin/dig", "+short", "example.invalid"},
        {"/usr/bin/dig", "@127.0.0.1", "example.invalid"},
        {"/usr/bin/dig", "+time=2", "+tries=1"},
        {"/usr/bin/dig", "+time=x", "example.invalid"},
        {"/usr/bin/dig", "example.invalid", "example.test"},
        // "-V" would make iputils print its version and exit 0.
        {"/sbin/ping", "-c", "1", "-W", "1000", "-V"},
        {"/sbin/ping", "-c", "1", "-W", "1000", "-f"},
        {"/sbin/ping", "-c", "1", "127.0.0.1"},
        {"/sbin/ping", "-c", "1", "-W", "1.5", "127.0.0.1"},
        {"/sbin/ping6", "-c", "1", "-V"},
        {"/usr/sbin/netstat", "-an"},
        {"/usr/sbin/netstat", "-n", "-p", "udp"},
        {"/usr/sbin/netstat", "-rn", "-f", "link"},
        {"/usr/sbin/ipconfig", "getoption", "lo", "subnet_mask"},
        {"/usr/sbin/ipconfig", "getifaddr"},
        {"/usr/sbin/scutil", "--nc", "show", "x"},
        {"/sbin/ifconfig", "-a"},
        {"lumra-systool", "ifconfig", "lo"},
    };
    for (const Arguments& argv : cases) {
        const auto result = runTool(argv);
        EXPECT_EQ(result.exitCode, 64) << argv.back();
        EXPECT_EQ(result.out, "") << argv.back();
        EXPECT_EQ(result.err.rfind("usage: ", 0), 0u) << argv.back() << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

// dig's own refusal of a name it cannot read, before any lookup.
TEST(SystoolCliTest, DigRefusesNamesItCannotRead) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a..b", "empty label"},
        {".a", "empty label"},
        {std::string(64, 'x') + ".test", "label too long"},
        {"a\\", "unexpected end of input"},
        {"a\\256.test", "bad escape"},
    };
    for (const auto& [name, reason] : cases) {
        const auto result = runTool({"/usr/bin/dig", "+time=2", "+tries=1", name});
        EXPECT_EQ(result.exitCode, 10) << name;
        EXPECT_EQ(result.out, "") << name;
        EXPECT_EQ(result.err, "dig: '" + name + "' is not a legal name (" + reason + ")\n");
    }
}

TEST(SystoolCliTest, PingOfLoopbackGivesAReadableSummary) {
    const std::vector<Arguments> cases = {
        {"/sbin/ping", "-c", "1", "-W", "1000", "127.0.0.1"},
        {"lumra-systool", "ping", "-c", "1", "-W", "1", "127.0.0.1"},
        {"/sbin/ping6", "-c", "1", "::1"},
    };
    for (const Arguments& argv : cases) {
        const auto result = runTool(argv);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const auto summary = test::pingSummary(result.out);
        ASSERT_TRUE(summary.has_value()) << result.out;
        EXPECT_GE(summary->average, summary->minimum);
        EXPECT_LE(summary->average, summary->maximum);
        EXPECT_EQ(test::packetLossPercent(result.out), 0.0) << result.out;
    }
}

// ping replaces lumra-systool, so the runner's SIGTERM reaches ping itself
// and nothing is left behind.
TEST(SystoolCliTest, TerminatingARunningPingLeavesNoProcess) {
    test::Subprocess child(kSystoolPath, {"/sbin/ping", "-c", "100", "-W", "1000", "127.0.0.1"});
    ASSERT_TRUE(child.waitForOutput("bytes from", 10s));
    const auto start = std::chrono::steady_clock::now();
    child.signal(SIGTERM);
    const auto result = child.finish(10s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, SIGTERM);
    EXPECT_FALSE(test::processGroupExists(child.pid()));
}

TEST(SystoolCliTest, InterruptedPingStillPrintsItsSummary) {
    test::Subprocess child(kSystoolPath, {"/sbin/ping", "-c", "100", "-W", "1000", "127.0.0.1"});
    ASSERT_TRUE(child.waitForOutput("bytes from", 10s));
    child.signal(SIGINT);
    const auto result = child.finish(10s);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(test::pingSummary(result.out).has_value()) << result.out;
    EXPECT_FALSE(test::processGroupExists(child.pid()));
}

TEST(SystoolCliTest, ScutilWithoutSystemBusPrintsTheHeaderOnly) {
    const auto result = runTool({"/usr/sbin/scutil", "--nc", "list"},
                                {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/lumra/bus"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "Available network connection services in the current set (*=enabled):\n");
}

class LoopbackConnection {
public:
    LoopbackConnection() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_listener.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        socklen_t length = sizeof address;
        if (bind(m_listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener.get(), 4) != 0 ||
            getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
        m_client.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (connect(m_client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            m_server.reset(accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        }
    }
    bool isOpen() const { return m_server.valid(); }
    unsigned port() const { return m_port; }

private:
    UniqueFd m_listener;
    UniqueFd m_client;
    UniqueFd m_server;
    unsigned m_port = 0;
};

TEST(SystoolCliTest, NetstatListsAConnectionTheTestOpened) {
    const LoopbackConnection connection;
    ASSERT_TRUE(connection.isOpen());
    const auto result = runTool({"/usr/sbin/netstat", "-n", "-p", "tcp"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    bool found = false;
    for (const std::string& line : test::splitLines(result.out)) {
        const auto fields = test::splitFields(line);
        found = found || (fields.size() == 6 && fields[0] == "tcp4" &&
                          fields[3] == "127.0.0.1." + std::to_string(connection.port()) &&
                          fields[5] == "ESTABLISHED");
    }
    EXPECT_TRUE(found) << result.out;
    EXPECT_EQ(result.out.find("LISTEN"), std::string::npos);
}

TEST(SystoolCliTest, LoopbackInterfaceIsListedAndAddressed) {
    const auto ifconfig = runTool({"/sbin/ifconfig"});
    ASSERT_EQ(ifconfig.exitCode, 0) << ifconfig.err;
    const auto headers = test::interfaceHeaders(ifconfig.out);
    ASSERT_FALSE(headers.empty()) << ifconfig.out;
    EXPECT_EQ(headers.front().name, "lo");
    EXPECT_NE(ifconfig.out.find("\tinet 127.0.0.1 netmask 0xff000000 \n"), std::string::npos)
        << ifconfig.out;

    const auto address = runTool({"/usr/sbin/ipconfig", "getifaddr", "lo"});
    EXPECT_EQ(address.exitCode, 0);
    EXPECT_EQ(address.out, "127.0.0.1\n");

    const auto none = runTool({"/usr/sbin/ipconfig", "getifaddr", "lumra-none0"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
}

TEST(SystoolCliTest, RoutingTablesHaveTheirSections) {
    const std::vector<std::pair<Arguments, std::vector<std::string>>> cases = {
        {{"/usr/sbin/netstat", "-rn", "-f", "inet"}, {"Routing tables", "Internet:"}},
        {{"/usr/sbin/netstat", "-rn", "-f", "inet6"}, {"Routing tables", "Internet6:"}},
        {{"/usr/sbin/netstat", "-rn"}, {"Routing tables", "Internet:", "Internet6:"}},
    };
    for (const auto& [argv, sections] : cases) {
        const auto result = runTool(argv);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> titles;
        for (const std::string& line : test::splitLines(result.out)) {
            if (line == "Routing tables" || line.back() == ':') {
                titles.push_back(line);
            }
        }
        EXPECT_EQ(titles, sections) << result.out;
    }
}

} // namespace
} // namespace lumra
