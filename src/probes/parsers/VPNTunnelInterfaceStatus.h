// One tunnel interface of the ifconfig listing.
#pragma once

#include "probes/parsers/VPNTunnelKind.h"

#include <optional>
#include <string>
#include <vector>

namespace lumra {

struct VPNTunnelInterfaceStatus {
    std::string name;
    VPNTunnelKind kind;
    // Between the angle brackets of the header line, e.g. "UP,POINTOPOINT,RUNNING".
    std::string flags;
    std::optional<std::string> status;
    std::vector<std::string> ipv4Addresses;
    // With any zone suffix, e.g. "fe80::1%utun0".
    std::vector<std::string> ipv6Addresses;

    bool operator==(const VPNTunnelInterfaceStatus&) const = default;
};

} // namespace lumra
