// "netstat -n -p tcp": the BSD listing of TCP connections, built from the
// kernel's socket tables.
#pragma once

#include "systool/IpAddress.h"
#include "systool/TcpSocketTable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// BSD spelling of a kernel TCP state ("SYN_RCVD", "FIN_WAIT_1", ...); empty
// for a number the kernel does not use.
std::string_view bsdTcpStateName(std::uint8_t kernelState);

// "10.0.0.2.443", "*.*", "*.22", "fe80::1.5000"; an IPv6 host is cut to 16
// characters as BSD netstat does without -W.
std::string bsdSocketAddress(const IpAddress& address, std::uint16_t port);

// The whole listing. Like BSD netstat without -a it leaves out listening
// sockets and sockets bound to the wildcard address. IPv6 sockets talking to
// IPv4-mapped peers are shown as the tcp4 sockets they are.
std::string formatTcpConnections(const std::vector<TcpSocket>& ipv4Sockets,
                                 const std::vector<TcpSocket>& ipv6Sockets);

} // namespace lumra
