// inet_diag dump requests, each read to NLMSG_DONE.
#include "systool/TcpSocketDiag.h"

#include "base/NetlinkPayload.h"
#include "base/UniqueFd.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra {

namespace {

constexpr std::uint8_t kListen = 10;
constexpr std::uint8_t kNewSynRecv = 12;
// What /proc/net/tcp lists, LISTEN left out: ESTABLISHED (1) up to the
// request sockets (NEW_SYN_RECV). Kernels from 6.8 also report bound sockets
// that neither listen nor connect (as CLOSE) when asked for state 13, which
// /proc leaves out; asking for them also costs a walk of the whole bind table.
constexpr std::uint32_t kListedStates = ((2u << kNewSynRecv) - 2) & ~(1u << kListen);

IpAddress addressOf(int family, const __be32 words[4]) {
    std::array<std::uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), words, family == AF_INET ? 4 : 16);
    if (family == AF_INET) {
        IpAddress address;
        address.family = IpFamily::ipv4;
        address.bytes = bytes;
        return address;
    }
    return IpAddress::ipv6(bytes);
}

// Sends one dump request and reads its answer into tables; false when the
// kernel refuses or the answer is malformed.
template <class Request>
bool dumpSockets(std::uint16_t type, const Request& request, TcpSocketTables& tables) {
    UniqueFd socket(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (socket.get() < 0) {
        return false;
    }
    struct {
        nlmsghdr header;
        Request request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = type;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = 1;
    message.request = request;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket.get(), &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0) {
        return false;
    }
    alignas(nlmsghdr) static std::uint8_t buffer[32768];
    while (true) {
        const ssize_t size = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size <= 0) {
            return false;
        }
        const auto datagram = std::span(buffer, static_cast<std::size_t>(size));
        switch (readTcpSocketDatagram(datagram, type, tables)) {
        case NetlinkDumpStep::more:
            break;
        case NetlinkDumpStep::done:
            return true;
        case NetlinkDumpStep::failed:
            return false;
        }
    }
}

std::optional<TcpSocket> socketOf(const inet_diag_msg& diag) {
    if (diag.idiag_state == kListen ||
        (diag.idiag_family != AF_INET && diag.idiag_family != AF_INET6)) {
        return std::nullopt;
    }
    TcpSocket entry;
    entry.localAddress = addressOf(diag.idiag_family, diag.id.idiag_src);
    entry.remoteAddress = addressOf(diag.idiag_family, diag.id.idiag_dst);
    entry.localPort = ntohs(diag.id.idiag_sport);
    entry.remotePort = ntohs(diag.id.idiag_dport);
    entry.state = diag.idiag_state;
    entry.sendQueueBytes = diag.idiag_wqueue;
    entry.receiveQueueBytes = diag.idiag_rqueue;
    return entry;
}

} // namespace

NetlinkDumpStep readTcpSocketDatagram(std::span<const std::uint8_t> datagram, std::uint16_t type,
                                      TcpSocketTables& tables) {
    // Signed, so that a malformed tail leaves it below zero (a datagram is
    // far below 2 GiB).
    int remaining = static_cast<int>(datagram.size());
    for (const auto* header = reinterpret_cast<const nlmsghdr*>(datagram.data());
         netlinkMessageFits(header, remaining); header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == NLMSG_DONE) {
            return NetlinkDumpStep::done;
        }
        if (header->nlmsg_type != type || header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) {
            return NetlinkDumpStep::failed;
        }
        const auto& diag = *static_cast<const inet_diag_msg*>(netlinkPayload(header));
        if (auto socket = socketOf(diag)) {
            (diag.idiag_family == AF_INET ? tables.ipv4 : tables.ipv6).push_back(*socket);
        }
    }
    return NetlinkDumpStep::more;
}

std::optional<std::vector<TcpSocket>> readTcpSocketsOverNetlink(int family) {
    inet_diag_req_v2 request{};
    request.sdiag_family = static_cast<std::uint8_t>(family);
    request.sdiag_protocol = IPPROTO_TCP;
    request.idiag_states = kListedStates;
    TcpSocketTables tables;
    if (!dumpSockets(SOCK_DIAG_BY_FAMILY, request, tables)) {
        return std::nullopt;
    }
    // Any socket of the other family the kernel adds is left out.
    return family == AF_INET ? std::move(tables.ipv4) : std::move(tables.ipv6);
}

std::optional<TcpSocketTables> readAllTcpSocketsOverNetlink() {
    // The older request form takes "any family": one walk of the kernel's
    // connection hash table instead of one per family.
    inet_diag_req request{};
    request.idiag_family = AF_UNSPEC;
    request.idiag_states = kListedStates;
    TcpSocketTables tables;
    if (dumpSockets(TCPDIAG_GETSOCK, request, tables)) {
        return tables;
    }
    auto ipv4 = readTcpSocketsOverNetlink(AF_INET);
    if (!ipv4) {
        return std::nullopt;
    }
    tables.ipv4 = std::move(*ipv4);
    tables.ipv6 = readTcpSocketsOverNetlink(AF_INET6).value_or(std::vector<TcpSocket>());
    return tables;
}

} // namespace lumra
