// The kernel's routing tables (/proc/net/route and /proc/net/ipv6_route) as
// records.
#pragma once

#include "systool/IpAddress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// Route flag bits the kernel prints (linux/route.h, linux/ipv6_route.h).
namespace kernel_route_flag {
inline constexpr std::uint32_t up = 0x0001;
inline constexpr std::uint32_t gateway = 0x0002;
inline constexpr std::uint32_t host = 0x0004;
inline constexpr std::uint32_t dynamic = 0x0010;
inline constexpr std::uint32_t modified = 0x0020;
inline constexpr std::uint32_t reject = 0x0200;
inline constexpr std::uint32_t addrconf = 0x00040000;
inline constexpr std::uint32_t local = 0x80000000;
} // namespace kernel_route_flag

struct Route {
    IpAddress destination;
    int prefixLength = 0;
    // Present when the route goes through a gateway.
    std::optional<IpAddress> gateway;
    std::string interfaceName;
    std::uint32_t metric = 0;
    std::uint32_t kernelFlags = 0;

    bool operator==(const Route&) const = default;

    bool isDefault() const { return prefixLength == 0; }
    bool hasFlag(std::uint32_t flag) const { return (kernelFlags & flag) != 0; }
};

// Both skip header lines and lines that do not read as a route, in file
// order.
std::vector<Route> parseProcNetRoute(std::string_view text);
std::vector<Route> parseProcNetIpv6Route(std::string_view text);

} // namespace lumra
