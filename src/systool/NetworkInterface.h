// One network interface with its flags and addresses, as getifaddrs and the
// interface ioctls report them.
#pragma once

#include "systool/IpAddress.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

struct InterfaceAddress {
    IpAddress address;
    std::optional<IpAddress> netmask;
    // Broadcast address of a broadcast interface, or the peer of a
    // point-to-point one.
    std::optional<IpAddress> broadcast;
    std::optional<IpAddress> destination;
    // Interface index for link-local IPv6 addresses, else 0.
    std::uint32_t scopeId = 0;

    bool operator==(const InterfaceAddress&) const = default;
};

struct NetworkInterface {
    std::string name;
    unsigned index = 0;
    // Linux IFF_* bits.
    std::uint32_t flags = 0;
    std::optional<int> mtu;
    // Present for Ethernet-type links.
    std::optional<std::array<std::uint8_t, 6>> etherAddress;
    std::vector<InterfaceAddress> addresses;

    bool operator==(const NetworkInterface&) const = default;
};

} // namespace lumra
