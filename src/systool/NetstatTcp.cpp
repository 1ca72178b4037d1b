// Formats the TCP connection listing in the layout of BSD netstat's protopr.
#include "systool/NetstatTcp.h"

#include <fmt/format.h>

namespace lumra {

namespace {

constexpr std::size_t kAddressWidth = 22;
constexpr std::size_t kIpv6HostWidth = 16;

struct ShownSocket {
    std::string_view protocol;
    IpAddress local;
    IpAddress remote;
};

ShownSocket shownForm(const TcpSocket& socket) {
    if (socket.localAddress.family == IpFamily::ipv4) {
        return {"tcp4", socket.localAddress, socket.remoteAddress};
    }
    if (socket.localAddress.isV4Mapped()) {
        const IpAddress remote = socket.remoteAddress.isV4Mapped()
                                     ? socket.remoteAddress.v4FromMapped()
                                     : IpAddress::ipv4(0);
        return {"tcp4", socket.localAddress.v4FromMapped(), remote};
    }
    return {"tcp6", socket.localAddress, socket.remoteAddress};
}

std::string line(std::string_view protocol, std::string_view receiveQueue,
                 std::string_view sendQueue, std::string_view local, std::string_view remote,
                 std::string_view state) {
    return fmt::format("{:<5} {:>6} {:>6}  {:<{}} {:<{}} {:<11}\n", protocol, receiveQueue,
                       sendQueue, local, kAddressWidth, remote, kAddressWidth, state);
}

} // namespace

std::string_view bsdTcpStateName(std::uint8_t kernelState) {
    switch (static_cast<KernelTcpState>(kernelState)) {
    case KernelTcpState::established:
        return "ESTABLISHED";
    case KernelTcpState::synSent:
        return "SYN_SENT";
    case KernelTcpState::synReceived:
        return "SYN_RCVD";
    case KernelTcpState::finWait1:
        return "FIN_WAIT_1";
    case KernelTcpState::finWait2:
        return "FIN_WAIT_2";
    case KernelTcpState::timeWait:
        return "TIME_WAIT";
    case KernelTcpState::closed:
        return "CLOSED";
    case KernelTcpState::closeWait:
        return "CLOSE_WAIT";
    case KernelTcpState::lastAck:
        return "LAST_ACK";
    case KernelTcpState::listen:
        return "LISTEN";
    case KernelTcpState::closing:
        return "CLOSING";
    case KernelTcpState::newSynReceived:
        return "SYN_RCVD";
    }
    return {};
}

std::string bsdSocketAddress(const IpAddress& address, std::uint16_t port) {
    std::string host = "*";
    if (!address.isUnspecified()) {
        host = address.text();
        if (address.family == IpFamily::ipv6 && host.size() > kIpv6HostWidth) {
            host.resize(kIpv6HostWidth);
        }
    }
    const std::string portText = port == 0 ? std::string("*") : fmt::format("{}", port);
    return fmt::format("{}.{}", host, portText);
}

std::string formatTcpConnections(const std::vector<TcpSocket>& ipv4Sockets,
                                 const std::vector<TcpSocket>& ipv6Sockets) {
    std::string out = "Active Internet connections\n";
    out += line("Proto", "Recv-Q", "Send-Q", "Local Address", "Foreign Address", "(state)");
    for (const auto* table : {&ipv4Sockets, &ipv6Sockets}) {
        for (const TcpSocket& socket : *table) {
            const std::string_view state = bsdTcpStateName(socket.state);
            const ShownSocket shown = shownForm(socket);
            if (state.empty() ||
                socket.state == static_cast<std::uint8_t>(KernelTcpState::listen) ||
                shown.local.isUnspecified()) {
                continue;
            }
            out += line(shown.protocol, fmt::format("{}", socket.receiveQueueBytes),
                        fmt::format("{}", socket.sendQueueBytes),
                        bsdSocketAddress(shown.local, socket.localPort),
                        bsdSocketAddress(shown.remote, socket.remotePort), state);
        }
    }
    return out;
}

} // namespace lumra
