// The address family of a routing table that "netstat -rn -f inet|inet6"
// prints.
#pragma once

namespace lumra {

enum class RouteAddressFamily { ipv4, ipv6 };

} // namespace lumra
