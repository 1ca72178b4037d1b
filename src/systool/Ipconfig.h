// "ipconfig getoption IF router" and "ipconfig getifaddr IF", answered from
// the routing table and the interface records.
#pragma once

#include "systool/IpAddress.h"
#include "systool/NetworkInterface.h"
#include "systool/RouteTable.h"

#include <optional>
#include <string_view>
#include <vector>

namespace lumra {

// The gateway of the interface's IPv4 default route the kernel prefers
// (lowest metric, then table order); absent without one.
std::optional<IpAddress> routerOfInterface(const std::vector<Route>& ipv4Routes,
                                           std::string_view interfaceName);

// The interface's first IPv4 address.
std::optional<IpAddress> ipv4AddressOfInterface(const std::vector<NetworkInterface>& interfaces,
                                                std::string_view interfaceName);

} // namespace lumra
