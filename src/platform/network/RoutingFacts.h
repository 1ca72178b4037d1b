// The kernel facts a network path is made from (links and the interfaces
// that carry a default route) and the rule that turns them into a path.
// Pure: the rtnetlink reader fills the facts, tests write them by hand.
#pragma once

#include "platform/network/NetworkPath.h"

#include <functional>
#include <string>
#include <vector>

namespace lumra {

struct LinkFacts {
    int index = 0;
    std::string name;
    unsigned short hardwareType = 0; // ARPHRD_*
    unsigned flags = 0;              // IFF_*

    bool operator==(const LinkFacts&) const = default;
};

struct RoutingFacts {
    std::vector<LinkFacts> links;
    // Output interfaces of the usable default routes (IPv4 and IPv6), in any
    // order, possibly repeated.
    std::vector<int> defaultRouteInterfaces;

    bool operator==(const RoutingFacts&) const = default;
};

using InterfaceClassifier = std::function<NetworkInterfaceType(const LinkFacts& link)>;

// Satisfied when some interface that is not loopback, is up and running
// (administratively up with its carrier present) has a default route; the
// path then uses exactly those interfaces.
NetworkPath evaluateNetworkPath(const RoutingFacts& facts, const InterfaceClassifier& classify);

} // namespace lumra
