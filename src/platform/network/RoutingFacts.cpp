#include "platform/network/RoutingFacts.h"

#include <algorithm>
#include <net/if.h>
#include <net/if_arp.h>

namespace lumra {

namespace {

bool carriesTraffic(const LinkFacts& link) {
    const bool loopback = (link.flags & IFF_LOOPBACK) != 0 || link.hardwareType == ARPHRD_LOOPBACK;
    // A pulled cable keeps IFF_UP; IFF_RUNNING follows the carrier.
    const bool running = (link.flags & IFF_UP) != 0 && (link.flags & IFF_RUNNING) != 0;
    return !loopback && running;
}

bool hasDefaultRoute(const RoutingFacts& facts, int index) {
    return std::find(facts.defaultRouteInterfaces.begin(), facts.defaultRouteInterfaces.end(),
                     index) != facts.defaultRouteInterfaces.end();
}

} // namespace

NetworkPath evaluateNetworkPath(const RoutingFacts& facts, const InterfaceClassifier& classify) {
    NetworkPath path;
    for (const LinkFacts& link : facts.links) {
        if (carriesTraffic(link) && hasDefaultRoute(facts, link.index))
            path.interfaces.push_back(NetworkPathInterface{link.name, classify(link)});
    }
    std::sort(path.interfaces.begin(), path.interfaces.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    path.interfaces.erase(std::unique(path.interfaces.begin(), path.interfaces.end()),
                          path.interfaces.end());
    path.status =
        path.interfaces.empty() ? NetworkPathStatus::unsatisfied : NetworkPathStatus::satisfied;
    return path;
}

} // namespace lumra
