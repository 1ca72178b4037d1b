// The TCP sockets of /proc/net/tcp and /proc/net/tcp6 as records.
#pragma once

#include "systool/IpAddress.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace lumra {

// The kernel's TCP state numbers (include/net/tcp_states.h).
enum class KernelTcpState : std::uint8_t {
    established = 1,
    synSent = 2,
    synReceived = 3,
    finWait1 = 4,
    finWait2 = 5,
    timeWait = 6,
    closed = 7,
    closeWait = 8,
    lastAck = 9,
    listen = 10,
    closing = 11,
    newSynReceived = 12,
};

struct TcpSocket {
    IpAddress localAddress;
    std::uint16_t localPort = 0;
    IpAddress remoteAddress;
    std::uint16_t remotePort = 0;
    std::uint8_t state = 0;
    std::uint64_t sendQueueBytes = 0;
    std::uint64_t receiveQueueBytes = 0;

    bool operator==(const TcpSocket&) const = default;
};

// Reads one file's text; the header and lines that do not read as a socket
// are skipped.
std::vector<TcpSocket> parseProcNetTcp(std::string_view text);

} // namespace lumra
