#include "probes/metadata/VPNActivity.h"

#include "probes/parsers/IPAddressValidation.h"
#include "probes/parsers/ToolOutputText.h"

#include <algorithm>

namespace lumra {

bool isSpecificRouteDestination(std::string_view destination) {
    const std::string lowered = lowercasedForASCIIComparison(destination);
    if (lowered == "default" || lowered == "::/0" || lowered == "0/1" || lowered == "128.0/1")
        return false;
    const std::size_t slash = destination.find('/');
    if (destination.find(':') != std::string_view::npos)
        return isUsableIPv6Address(destination.substr(0, slash));
    if (slash == std::string_view::npos)
        return isUsableIPv4Address(destination);
    const std::string_view network = destination.substr(0, slash);
    return !(network.empty() || network == "0" || network == "127" ||
             network.starts_with("169.254") || network.starts_with("224.") ||
             network.starts_with("239."));
}

namespace {

bool isActiveTunnel(const VPNTunnelInterfaceStatus& tunnel,
                    const std::vector<VPNRouteEntry>& routes) {
    if (tunnel.flags.find("UP") == std::string::npos ||
        tunnel.flags.find("RUNNING") == std::string::npos)
        return false;
    if (tunnel.status && lowercasedForASCIIComparison(trimWhiteSpace(*tunnel.status)) == "inactive")
        return false;
    const bool hasSpecificRoute =
        std::any_of(routes.begin(), routes.end(), [&](const VPNRouteEntry& route) {
            return route.interfaceName == tunnel.name &&
                   isSpecificRouteDestination(route.destination);
        });
    const auto usable = [](const std::vector<std::string>& addresses,
                           bool (*check)(std::string_view)) {
        return std::any_of(addresses.begin(), addresses.end(),
                           [check](const std::string& a) { return check(a); });
    };
    if (usable(tunnel.ipv4Addresses, isUsableIPv4Address)) {
        const bool routedByItself = tunnel.kind == VPNTunnelKind::utun ||
                                    tunnel.kind == VPNTunnelKind::ipsec ||
                                    tunnel.kind == VPNTunnelKind::ppp;
        return routedByItself || hasSpecificRoute;
    }
    return usable(tunnel.ipv6Addresses, isUsableIPv6Address) && hasSpecificRoute;
}

} // namespace

bool evaluateVPNActivity(const std::vector<VPNConnectionServiceStatus>& services,
                         const std::vector<VPNTunnelInterfaceStatus>& tunnels,
                         const std::vector<VPNRouteEntry>& routes) {
    if (std::any_of(services.begin(), services.end(),
                    [](const auto& s) { return s.state == VPNConnectionServiceState::connected; }))
        return true;
    return std::any_of(tunnels.begin(), tunnels.end(),
                       [&](const auto& t) { return isActiveTunnel(t, routes); });
}

} // namespace lumra
