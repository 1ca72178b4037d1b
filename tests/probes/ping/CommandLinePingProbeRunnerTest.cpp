#include "probes/ping/CommandLinePingProbeRunner.h"

#include "base/DiagnosticLog.h"
#include "concurrency/RunLoop.h"
#include "tests/probes/parsers/ParserCases.h"
#include "tests/support/AwaitTask.h"
#include "tests/support/FakeCommandRunner.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

const std::string fullReply = R"(PING 192.168.1.1 (192.168.1.1): 56 data bytes
64 bytes from 192.168.1.1: icmp_seq=0 ttl=64 time=3.1 ms
64 bytes from 192.168.1.1: icmp_seq=1 ttl=64 time=4.9 ms

--- 192.168.1.1 ping statistics ---
2 packets transmitted, 2 packets received, 0.0% packet loss
round-trip min/avg/max/stddev = 3.100/4.000/4.900/0.900 ms
)";
const std::string halfReply = R"(2 packets transmitted, 1 packets received, 50.0% packet loss
round-trip min/avg/max/stddev = 7.000/7.000/7.000/0.000 ms
)";
const std::string noReply = "2 packets transmitted, 0 packets received, 100.0% packet loss\n";

TEST(PingCommandLineTest, BuildsTheRequestForEachConfiguration) {
    struct Case {
        std::string host;
        std::int64_t count;
        double timeout;
        double grace;
        CommandRequest request;
    };
    const std::vector<Case> cases{
        {"192.168.1.1", 2, 1.5, 0.5, {"/sbin/ping", {"-c", "2", "-W", "1500", "192.168.1.1"}, 4.5}},
        {"1.1.1.1", 1, 2.0, 0.5, {"/sbin/ping", {"-c", "1", "-W", "2000", "1.1.1.1"}, 2.5}},
        {"fe80::1%en0", 2, 1.5, 0.5, {"/sbin/ping6", {"-c", "2", "fe80::1%en0"}, 4.5}},
        {"10.0.0.1",
         2,
         0,
         0.5,
         {"/sbin/ping", {"-c", "2", "-W", "1", "10.0.0.1"}, 0.001 * 2 + 1 + 0.5}},
        {"10.0.0.1",
         2,
         std::nan(""),
         -3,
         {"/sbin/ping", {"-c", "2", "-W", "1", "10.0.0.1"}, 0.001 * 2 + 1}},
        {"10.0.0.1",
         1,
         0.0015,
         0,
         {"/sbin/ping", {"-c", "1", "-W", "2", "10.0.0.1"}, 0.0015}}, // halves away from zero
        {"10.0.0.1", 0, 1.0, 0, {"/sbin/ping", {"-c", "0", "-W", "1000", "10.0.0.1"}, 1.0}},
        {"10.0.0.1",
         1,
         std::numeric_limits<double>::infinity(),
         0,
         {"/sbin/ping", {"-c", "1", "-W", "86400000", "10.0.0.1"}, 86400}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pingCommandLine(c.host, c.count, c.timeout, c.grace), c.request)
            << c.host << " " << c.timeout;
}

TEST(PingOutputTest, ReadsLossFromItsLineAndSuccessFromTheSummaryAlone) {
    EXPECT_EQ(measurementFromPingOutput(fullReply), (PingProbeMeasurement{4.0, 0.9, 0, true}));
    EXPECT_EQ(measurementFromPingOutput(halfReply), (PingProbeMeasurement{7.0, 0.0, 50, true}));
    EXPECT_EQ(measurementFromPingOutput(noReply),
              (PingProbeMeasurement{std::nullopt, std::nullopt, 100, false}));
    EXPECT_EQ(measurementFromPingOutput(""), PingProbeMeasurement::failed());
    EXPECT_EQ(measurementFromPingOutput("rtt min/avg/max/mdev = 1.0/2.0/3.0/0.5 ms\n"),
              (PingProbeMeasurement{2.0, 0.5, 100, true}))
        << "no loss line reads as 100 while the summary still counts";
}

// Every packet lost is an answer, not an unreadable output.
TEST(PingOutputTest, AnOutputWithoutItsSummaryLeavesALineUnlessEveryPacketWasLost) {
    const std::string noSummary = "2 packets transmitted, 0 packets received, 100.0% packet "
                                  "loss\n";
    const std::string line = "lumra: ping: the output has no usable summary: missingPattern("
                             "command: \"/sbin/ping\", expected: \"round-trip min/avg/max/stddev "
                             "= <min>/<avg>/<max>/<stddev> ms\")";
    struct Case {
        std::string output;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        {fullReply, {}},
        {noReply, {}},
        {"", {line}},
        {"2 packets transmitted, 2 packets received, 0.0% packet loss\n", {line}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        DiagnosticLog::Capture capture([&](std::string text) { lines.push_back(text); });
        measurementFromPingOutput(c.output);
        EXPECT_EQ(lines, c.lines) << c.output;
    }
}

class PingProbeTest : public ::testing::Test {
protected:
    template <class T> T await(Task<T> task) { return test::awaitTask(loop, std::move(task)); }

    CommandLinePingProbeRunner probe(std::optional<std::string> interfaceName) {
        return CommandLinePingProbeRunner(runner, 2, 0.5,
                                          [interfaceName] { return interfaceName; });
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<test::FakeCommandRunner> runner = std::make_shared<test::FakeCommandRunner>();
};

TEST_F(PingProbeTest, AFailingPingIsStillReadButOtherErrorsGiveTheFailedMeasurement) {
    runner->fail("/sbin/ping -c 2 -W 1500 10.0.0.1",
                 CommandRunnerError::nonZeroExit("/sbin/ping", 2, halfReply, "ignored"));
    runner->fail("/sbin/ping -c 2 -W 1500 10.0.0.2",
                 CommandRunnerError::timedOut("/sbin/ping", 4.5));
    auto p = probe(std::nullopt);
    EXPECT_EQ(await(p.ping("10.0.0.1", 1.5)), (PingProbeMeasurement{7.0, 0.0, 50, true}));
    EXPECT_EQ(await(p.ping("10.0.0.2", 1.5)), PingProbeMeasurement::failed());
}

TEST_F(PingProbeTest, AHostThatReadsAsAnOptionIsNeverRun) {
    auto p = probe(std::nullopt);
    EXPECT_EQ(await(p.ping("-f", 1.5)), PingProbeMeasurement::failed());
    EXPECT_TRUE(runner->requests.empty());
}

TEST_F(PingProbeTest, TheRouterChainStopsAtTheFirstAnswerInItsOrder) {
    const std::string inet6 =
        "Internet6:\nDestination Gateway Flags Netif\ndefault fe80::1%en0 UGcg en0\n";
    const std::string inet =
        "Internet:\nDestination Gateway Flags Netif Expire\ndefault 192.168.1.1 UGScg en0\n";
    struct Case {
        std::optional<std::string> interfaceName;
        bool ipconfigAnswers;
        bool inet6Answers;
        bool inetAnswers;
        std::optional<std::string> router;
        std::vector<std::string> commands;
    };
    const std::string ipconfig = "/usr/sbin/ipconfig getoption en0 router";
    const std::string netstat6 = "/usr/sbin/netstat -rn -f inet6";
    const std::string netstat4 = "/usr/sbin/netstat -rn -f inet";
    const std::vector<Case> cases{
        {"en0", true, true, true, "192.168.1.254", {ipconfig}},
        {"en0", false, true, true, "fe80::1%en0", {ipconfig, netstat6}},
        {"en0",
         false,
         false,
         true,
         "192.168.1.1",
         {
             ipconfig,
             netstat6,
             netstat4,
         }},
        {"en0", false, false, false, std::nullopt, {ipconfig, netstat6, netstat4, netstat6}},
        {std::nullopt, false, true, true, "192.168.1.1", {netstat4}},
        {std::nullopt, false, true, false, "fe80::1%en0", {netstat4, netstat6}},
        {std::nullopt, false, false, false, std::nullopt, {netstat4, netstat6}},
    };
    for (const Case& c : cases) {
        runner = std::make_shared<test::FakeCommandRunner>();
        if (c.ipconfigAnswers)
            runner->succeed(ipconfig, "192.168.1.254\n");
        else
            runner->succeed(ipconfig, "");
        if (c.inet6Answers)
            runner->succeed(netstat6, inet6);
        else
            runner->fail(netstat6,
                         CommandRunnerError::nonZeroExit("/usr/sbin/netstat", 1, inet6, ""));
        if (c.inetAnswers)
            runner->succeed(netstat4, inet);
        else
            runner->succeed(netstat4, "Internet:\ndefault link#17 UCSg utun3\n");
        auto p = probe(c.interfaceName);
        EXPECT_EQ(await(p.resolveRouterAddress(1.5)), c.router);
        EXPECT_EQ(runner->commandLines(), c.commands);
        for (const CommandRequest& request : runner->requests)
            EXPECT_EQ(request.timeout, 1.5) << "each step has the whole timeout";
    }
}

// lumra-systool's output as the network failed under it (captured), and
// macOS's for every echo lost: each a failed measurement, and with the
// default route or the interface gone the router lookup finds none.
TEST_F(PingProbeTest, WhatAFailingNetworkLeavesTheToolsReadsAsFailure) {
    const std::string faults = "systool/captured/faults/";
    struct Case {
        ToolOutput output;
        int exitStatus;
    };
    const std::vector<Case> cases{
        {fixture(faults + "ping_-c_2_-W_300_10.213.0.1.icmp-dropped.txt"), 1},
        {fixture("ping/macos-no-reply.txt"), 2},
        {fixture(faults + "ping_-c_2_-W_300_10.215.0.9.no-default-route.txt"), 2},
        {fixture(faults + "ping_-c_2_-W_300_10.213.0.1.no-interface.txt"), 2},
    };
    for (const Case& c : cases) {
        runner = std::make_shared<test::FakeCommandRunner>();
        runner->fail("/sbin/ping -c 2 -W 1500 10.0.0.1",
                     CommandRunnerError::nonZeroExit("/sbin/ping", c.exitStatus, c.output.text,
                                                     "ping: connect: Network is unreachable"));
        EXPECT_EQ(await(probe(std::nullopt).ping("10.0.0.1", 1.5)), PingProbeMeasurement::failed())
            << c.output.description;
    }

    const std::string ipconfig = "/usr/sbin/ipconfig getoption en0 router";
    const std::string netstat6 = "/usr/sbin/netstat -rn -f inet6";
    const std::string netstat4 = "/usr/sbin/netstat -rn -f inet";
    for (const std::string gone : {"no-default-route", "no-interface"}) {
        runner = std::make_shared<test::FakeCommandRunner>();
        runner->fail(ipconfig, CommandRunnerError::nonZeroExit("/usr/sbin/ipconfig", 1, "", ""));
        runner->succeed(netstat6, fixture(faults + "netstat_-rn_-f_inet6." + gone + ".txt").text);
        runner->succeed(netstat4, fixture(faults + "netstat_-rn_-f_inet." + gone + ".txt").text);
        std::vector<std::string> lines;
        DiagnosticLog::Capture capture([&](std::string text) { lines.push_back(text); });
        EXPECT_EQ(await(probe("en0").resolveRouterAddress(1.5)), std::nullopt) << gone;
        // One line for each step that found no router: the failed ipconfig
        // and each table without a default route.
        const std::string noRoute = "lumra: router: no router address in the output: "
                                    "missingPattern(command: \"/usr/sbin/netstat\", expected: "
                                    "\"default <gateway> ...\")";
        EXPECT_EQ(lines, (std::vector<std::string>{"lumra: tools: the output of a failed run is "
                                                   "set aside: /usr/sbin/ipconfig exited with "
                                                   "status 1",
                                                   noRoute, noRoute, noRoute}))
            << gone;
        EXPECT_EQ(runner->commandLines(),
                  (std::vector<std::string>{ipconfig, netstat6, netstat4, netstat6}))
            << gone;
    }
}

} // namespace
} // namespace lumra
