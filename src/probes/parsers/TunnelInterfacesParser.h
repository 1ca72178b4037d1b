// Reads the tunnel interfaces (utun, ipsec, ppp, tun, tap) with their flags,
// status and addresses from the listing of "ifconfig". Pure, any thread;
// never fails: other interfaces and unreadable lines are left out.
#pragma once

#include "probes/parsers/VPNTunnelInterfaceStatus.h"

#include <optional>
#include <string_view>
#include <vector>

namespace lumra {

std::vector<VPNTunnelInterfaceStatus> parseTunnelInterfaces(std::string_view output);

// By the name's prefix; absent for an interface that is no tunnel.
std::optional<VPNTunnelKind> tunnelKindOfInterfaceName(std::string_view name);

} // namespace lumra
