// Picks the router from the default routes of "netstat -rn -f inet" or
// "... -f inet6" (columns Destination, Gateway, Flags, Netif, Expire).
// Pure, any thread.
#pragma once

#include "probes/parsers/RouteAddressFamily.h"

#include <optional>
#include <string>
#include <string_view>

namespace lumra {

// The gateway of the best "default" line whose gateway is an address of the
// family (so "link#17" never is), as printed, zone suffix included. A
// preferred interface narrows the choice to its routes when it has any.
// Among several, the interface kind decides (en, bridge, awdl/llw, others,
// utun/ipsec/tun/ppp, lo), then the gateway text, then the earlier line.
// Throws CommandParsingError::missingPattern (command "/usr/sbin/netstat",
// expected "default <gateway> ...") when no route qualifies, and at once
// on a line that is "default" alone.
std::string
parseDefaultRouteGateway(std::string_view output, RouteAddressFamily family,
                         std::optional<std::string_view> preferredInterfaceName = std::nullopt);

} // namespace lumra
