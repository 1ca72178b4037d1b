#include "systool/NetstatTcp.h"

#include "systool/KernelText.h"
#include "systool/TcpSocketTable.h"
#include "tests/systool/Fixtures.h"
#include "tests/systool/ToolOutputRules.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

IpAddress address(const char* text) {
    return *IpAddress::parse(text);
}

TEST(NetstatTcpTest, ReadsKernelSocketLinesAndSkipsOthers) {
    const auto sockets = parseProcNetTcp(test::fixtureText("proc/tcp"));
    ASSERT_EQ(sockets.size(), 13u);
    EXPECT_EQ(sockets[3], (TcpSocket{address("127.0.0.1"), 35508, address("127.0.0.1"), 8765, 0x01,
                                     0x1f4, 0x20}));
    const auto ipv6 = parseProcNetTcp(test::fixtureText("proc/tcp6"));
    ASSERT_EQ(ipv6.size(), 6u);
    EXPECT_EQ(ipv6[1].localAddress, address("::1"));
    EXPECT_EQ(ipv6[1].remotePort, 56394);
    EXPECT_EQ(ipv6[4].localAddress, address("2001:db8:1234:5678:9abc:def0:1234:5678"));
}

TEST(NetstatTcpTest, RejectsMalformedSocketLines) {
    const std::vector<std::string> lines = {
        "   0: 0100007F:223D 00000000:0000 0A 00000000:00000000 00:00000000",
        "   0: 0100007F:223D 00000000:0000 0A 00000000:00000000",
        "   0: 0100007F 00000000:0000 0A 00000000:00000000",
        "   0: 0100007F:1223D 00000000:0000 0A 00000000:00000000",
        "   0: 0100007F:223D 00000000000000000000000000000000:0000 0A 00000000:00000000",
        "   0: 0100007F:223D 00000000:0000 1FF 00000000:00000000",
        "   0: 0100007F:223D 00000000:0000 0A 00000000",
        "   0 0100007F:223D 00000000:0000 0A 00000000:00000000",
        "   0: 0100007G:223D 00000000:0000 0A 00000000:00000000",
    };
    EXPECT_EQ(parseProcNetTcp(lines[0]).size(), 1u);
    EXPECT_EQ(parseProcNetTcp(lines[1]).size(), 1u);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_TRUE(parseProcNetTcp(lines[i]).empty()) << lines[i];
    }
}

TEST(NetstatTcpTest, StatesUseBsdSpellings) {
    const std::vector<std::pair<std::uint8_t, std::string_view>> cases = {
        {1, "ESTABLISHED"},
        {2, "SYN_SENT"},
        {3, "SYN_RCVD"},
        {4, "FIN_WAIT_1"},
        {5, "FIN_WAIT_2"},
        {6, "TIME_WAIT"},
        {7, "CLOSED"},
        {8, "CLOSE_WAIT"},
        {9, "LAST_ACK"},
        {10, "LISTEN"},
        {11, "CLOSING"},
        {12, "SYN_RCVD"},
        {0, ""},
        {13, ""},
    };
    for (const auto& [state, name] : cases) {
        EXPECT_EQ(bsdTcpStateName(state), name) << int(state);
    }
}

TEST(NetstatTcpTest, SocketAddressesInBsdForm) {
    const std::vector<std::tuple<const char*, std::uint16_t, std::string>> cases = {
        {"10.0.0.2", 443, "10.0.0.2.443"},
        {"0.0.0.0", 22, "*.22"},
        {"0.0.0.0", 0, "*.*"},
        {"127.0.0.1", 0, "127.0.0.1.*"},
        {"::", 0, "*.*"},
        {"::1", 8766, "::1.8766"},
        {"fe80::1", 5000, "fe80::1.5000"},
        // Without -W BSD netstat cuts an IPv6 host to 16 characters.
        {"2001:db8:1234:5678::1", 51000, "2001:db8:1234:56.51000"},
    };
    for (const auto& [host, port, expected] : cases) {
        EXPECT_EQ(bsdSocketAddress(address(host), port), expected);
    }
}

// The whole listing, compared with a reviewed copy: header, column layout,
// listening and wildcard sockets left out, mapped IPv4 peers as tcp4.
TEST(NetstatTcpTest, FormatsListingLikeBsdNetstat) {
    const std::string output =
        formatTcpConnections(parseProcNetTcp(test::fixtureText("proc/tcp")),
                             parseProcNetTcp(test::fixtureText("proc/tcp6")));
    EXPECT_EQ(output, test::fixtureText("expected/netstat-n-p-tcp.txt"));
}

TEST(NetstatTcpTest, ListingIsCountedAsTheKernelCountsIt) {
    const std::string output =
        formatTcpConnections(parseProcNetTcp(test::fixtureText("proc/tcp")),
                             parseProcNetTcp(test::fixtureText("proc/tcp6")));
    const auto counts = test::tcpStateCounts(output);
    // tcp: two established, one more through a mapped tcp6 socket, two on ::1.
    EXPECT_EQ(counts.at("ESTABLISHED"), 5);
    EXPECT_EQ(counts.at("TIME_WAIT"), 2);
    EXPECT_EQ(counts.at("CLOSE_WAIT"), 2);
    EXPECT_EQ(counts.count("LISTEN"), 0u);
    EXPECT_EQ(counts.count("(state)"), 0u);
}

TEST(NetstatTcpTest, EmptyTablesGiveTheHeaderOnly) {
    EXPECT_EQ(formatTcpConnections({}, {}),
              "Active Internet connections\n"
              "Proto Recv-Q Send-Q  Local Address          Foreign Address        (state)    \n");
}

} // namespace
} // namespace lumra
