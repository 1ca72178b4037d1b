// The network path as the system's code sees it: whether traffic can leave
// the machine, and over which kinds of interface. Made by the path stand-in
// on its monitor's queue.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace lumra {

enum class NetworkPathStatus { satisfied, unsatisfied };

enum class NetworkInterfaceType { wifi, wiredEthernet, cellular, other };

struct NetworkPathInterface {
    std::string name;
    NetworkInterfaceType type = NetworkInterfaceType::other;

    bool operator==(const NetworkPathInterface&) const = default;
};

struct NetworkPath {
    NetworkPathStatus status = NetworkPathStatus::unsatisfied;
    // The interfaces the path uses, ordered by name; empty when unsatisfied.
    std::vector<NetworkPathInterface> interfaces;

    bool usesInterfaceType(NetworkInterfaceType type) const {
        return std::any_of(interfaces.begin(), interfaces.end(),
                           [type](const NetworkPathInterface& used) { return used.type == type; });
    }

    bool operator==(const NetworkPath&) const = default;
};

} // namespace lumra
