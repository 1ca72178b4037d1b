// The socket dump's reading of one received datagram, well formed and not:
// the walk stops at a message that does not lie wholly inside what is left
// and never reads on past the datagram.
#include "systool/TcpSocketDiag.h"

#include "tests/support/NetlinkBytes.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/inet_diag.h>
#include <linux/sock_diag.h>

namespace lumra {
namespace {

using test::Bytes;
using test::joined;
using test::netlinkMessage;

constexpr std::uint8_t established = 1;
constexpr std::uint8_t listening = 10;

// A socket on local port `port`, with a byte more than the kernel sends:
// its length is then no multiple of 4.
Bytes socketMessage(int family, std::uint16_t port, std::uint8_t state = established,
                    std::optional<std::uint32_t> length = {}) {
    inet_diag_msg diag{};
    diag.idiag_family = static_cast<std::uint8_t>(family);
    diag.idiag_state = state;
    diag.id.idiag_sport = htons(port);
    diag.id.idiag_dport = htons(443);
    Bytes payload = test::bytesOf(diag);
    payload.push_back(0);
    return netlinkMessage(SOCK_DIAG_BY_FAMILY, 1, payload, length);
}

Bytes followedBy(Bytes bytes, std::size_t count) {
    bytes.resize(bytes.size() + count);
    return bytes;
}

Bytes done() {
    return netlinkMessage(NLMSG_DONE, 1, test::bytesOf(std::uint32_t{0}));
}

// Port 9999 stands for whatever lies past a datagram's end.
const Bytes phantom = socketMessage(AF_INET, 9999);

struct Case {
    const char* name;
    Bytes datagram;
    Bytes beyond; // in the receive buffer past the datagram
    NetlinkDumpStep step;
    std::vector<std::uint16_t> ipv4Ports;
    std::vector<std::uint16_t> ipv6Ports;
};

std::vector<std::uint16_t> portsOf(const std::vector<TcpSocket>& sockets) {
    std::vector<std::uint16_t> ports;
    for (const TcpSocket& socket : sockets)
        ports.push_back(socket.localPort);
    return ports;
}

TEST(TcpSocketDatagramTest, ReadsWhatLiesInsideTheDatagramAndStopsAtAMalformedTail) {
    const Case cases[] = {
        {"both families to the end of the dump",
         joined({socketMessage(AF_INET, 1), socketMessage(AF_INET6, 2),
                 socketMessage(AF_INET, 3, listening), done()}),
         phantom,
         NetlinkDumpStep::done,
         {1},
         {2}},
        {"a message of another type",
         joined({socketMessage(AF_INET, 1), netlinkMessage(NLMSG_ERROR, 1, Bytes(20, 0)),
                 socketMessage(AF_INET, 2)}),
         {},
         NetlinkDumpStep::failed,
         {1},
         {}},
        {"a message too short for a socket",
         joined({socketMessage(AF_INET, 1), netlinkMessage(SOCK_DIAG_BY_FAMILY, 1, Bytes(8, 0))}),
         {},
         NetlinkDumpStep::failed,
         {1},
         {}},
        {"a final header cut short",
         joined({socketMessage(AF_INET, 1), Bytes(8, 0x10)}),
         phantom,
         NetlinkDumpStep::more,
         {1},
         {}},
        {"a length smaller than the header",
         joined({socketMessage(AF_INET, 1), netlinkMessage(SOCK_DIAG_BY_FAMILY, 1, Bytes(80, 0), 8),
                 socketMessage(AF_INET, 2)}),
         phantom,
         NetlinkDumpStep::more,
         {1},
         {}},
        // The message fills the datagram but its aligned length is 3 bytes
        // more: an unsigned count wraps there and the walk reads on.
        {"a final length that is no multiple of 4",
         joined({socketMessage(AF_INET, 1), socketMessage(AF_INET, 2)}),
         phantom,
         NetlinkDumpStep::more,
         {1, 2},
         {}},
        {"a final aligned length past the end",
         joined({socketMessage(AF_INET, 1), followedBy(socketMessage(AF_INET, 2), 2)}),
         phantom,
         NetlinkDumpStep::more,
         {1, 2},
         {}},
        {"a final length past the end",
         joined({socketMessage(AF_INET, 1), socketMessage(AF_INET, 2, established, 400)}),
         phantom,
         NetlinkDumpStep::more,
         {1},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::ReceivedDatagram received(c.datagram, c.beyond);
        TcpSocketTables tables;
        EXPECT_EQ(readTcpSocketDatagram(received.bytes(), SOCK_DIAG_BY_FAMILY, tables), c.step);
        EXPECT_EQ(portsOf(tables.ipv4), c.ipv4Ports);
        EXPECT_EQ(portsOf(tables.ipv6), c.ipv6Ports);
    }
}

} // namespace
} // namespace lumra
