// One routing-table line that goes through a tunnel interface.
#pragma once

#include <string>

namespace lumra {

struct VPNRouteEntry {
    std::string destination;
    std::string interfaceName;

    bool operator==(const VPNRouteEntry&) const = default;
};

} // namespace lumra
