// One inet_diag dump request per family, read to NLMSG_DONE.
#include "systool/TcpSocketDiag.h"

#include <array>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra {

namespace {

class NetlinkSocket {
public:
    NetlinkSocket() : m_fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG)) {}
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    ~NetlinkSocket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

constexpr std::uint8_t kListen = 10;

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

} // namespace

std::optional<std::vector<TcpSocket>> readTcpSocketsOverNetlink(int family) {
    NetlinkSocket socket;
    if (socket.fd() < 0) {
        return std::nullopt;
    }
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = 1;
    message.request.sdiag_family = static_cast<std::uint8_t>(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~(1u << kListen);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket.fd(), &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0) {
        return std::nullopt;
    }
    std::vector<TcpSocket> sockets;
    alignas(nlmsghdr) static char buffer[32768];
    while (true) {
        const ssize_t size = ::recv(socket.fd(), buffer, sizeof buffer, 0);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (size == 0) {
            return std::nullopt;
        }
        auto length = static_cast<unsigned>(size);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, length);
             header = NLMSG_NEXT(header, length)) {
            if (header->nlmsg_type == NLMSG_DONE) {
                return sockets;
            }
            if (header->nlmsg_type == NLMSG_ERROR || header->nlmsg_type != SOCK_DIAG_BY_FAMILY ||
                header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) {
                return std::nullopt;
            }
            const auto* diag = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
            if (diag->idiag_state == kListen) {
                continue;
            }
            TcpSocket entry;
            entry.localAddress = addressOf(family, diag->id.idiag_src);
            entry.remoteAddress = addressOf(family, diag->id.idiag_dst);
            entry.localPort = ntohs(diag->id.idiag_sport);
            entry.remotePort = ntohs(diag->id.idiag_dport);
            entry.state = diag->idiag_state;
            entry.sendQueueBytes = diag->idiag_wqueue;
            entry.receiveQueueBytes = diag->idiag_rqueue;
            sockets.push_back(entry);
        }
    }
}

} // namespace lumra
