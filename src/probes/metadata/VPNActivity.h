// Whether a VPN is active, judged from the service list, the tunnel
// interfaces and the routes through them. Pure functions.
#pragma once

#include "probes/parsers/VPNConnectionServiceStatus.h"
#include "probes/parsers/VPNRouteEntry.h"
#include "probes/parsers/VPNTunnelInterfaceStatus.h"

#include <string_view>
#include <vector>

namespace lumra {

// False for default and half-default routes, and for networks that cannot
// carry a tunnel's traffic (unspecified, loopback, link-local, multicast).
bool isSpecificRouteDestination(std::string_view destination);

bool evaluateVPNActivity(const std::vector<VPNConnectionServiceStatus>& services,
                         const std::vector<VPNTunnelInterfaceStatus>& tunnels,
                         const std::vector<VPNRouteEntry>& routes);

} // namespace lumra
