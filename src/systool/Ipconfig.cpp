// Router and address look-ups of the ipconfig stand-in.
#include "systool/Ipconfig.h"

namespace lumra {

std::optional<IpAddress> routerOfInterface(const std::vector<Route>& ipv4Routes,
                                           std::string_view interfaceName) {
    const Route* best = nullptr;
    for (const Route& route : ipv4Routes) {
        const bool usable =
            route.isDefault() && route.gateway && route.destination.family == IpFamily::ipv4 &&
            route.interfaceName == interfaceName && route.hasFlag(kernel_route_flag::up) &&
            !route.hasFlag(kernel_route_flag::reject);
        if (usable && (best == nullptr || route.metric < best->metric)) {
            best = &route;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    return best->gateway;
}

std::optional<IpAddress> ipv4AddressOfInterface(const std::vector<NetworkInterface>& interfaces,
                                                std::string_view interfaceName) {
    for (const NetworkInterface& interface : interfaces) {
        if (interface.name != interfaceName) {
            continue;
        }
        for (const InterfaceAddress& entry : interface.addresses) {
            if (entry.address.family == IpFamily::ipv4) {
                return entry.address;
            }
        }
    }
    return std::nullopt;
}

} // namespace lumra
