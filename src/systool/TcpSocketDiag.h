// The TCP sockets of the current network namespace over NETLINK_SOCK_DIAG:
// the same records /proc/net/tcp and tcp6 give, without the kernel walking
// its whole connection hash table for a text file.
#pragma once

#include "base/NetlinkPayload.h"
#include "systool/TcpSocketTable.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumra {

// IPv4 (AF_INET) or IPv6 (AF_INET6) sockets in every state but LISTEN,
// which the listing leaves out anyway. Absent when the kernel offers no
// socket diagnostics for TCP (the caller reads /proc then).
std::optional<std::vector<TcpSocket>> readTcpSocketsOverNetlink(int family);

struct TcpSocketTables {
    std::vector<TcpSocket> ipv4;
    std::vector<TcpSocket> ipv6;
};

// Reads one received datagram of the dump that answers a request of
// message type `type`: each listed socket goes into tables by its family.
// Failed at a message of another type or too short for a socket; the walk
// stops at a message that does not lie wholly inside what is left.
// datagram is aligned as a receive buffer is (to 4 bytes).
NetlinkDumpStep readTcpSocketDatagram(std::span<const std::uint8_t> datagram, std::uint16_t type,
                                      TcpSocketTables& tables);

// Both families in one dump (one walk of the kernel's table), or one dump
// per family where the kernel refuses that.
std::optional<TcpSocketTables> readAllTcpSocketsOverNetlink();

} // namespace lumra
