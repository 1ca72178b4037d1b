// Reads the kernel's routing tables.
//   route:      Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
//   ipv6_route: dest plen src plen nexthop metric refcnt use flags dev
#include "systool/RouteTable.h"

#include "systool/KernelText.h"

namespace lumra {

namespace {

std::optional<Route> parseIpv4RouteLine(std::string_view line) {
    const auto fields = splitFields(line);
    if (fields.size() < 8) {
        return std::nullopt;
    }
    const auto destination = parseKernelWordAddress(fields[1]);
    const auto gateway = parseKernelWordAddress(fields[2]);
    const auto flags = parseHex32(fields[3]);
    // The metric column is decimal, printed with %d: a priority above
    // INT_MAX shows as a negative number.
    const auto metric = parseDecimal64(fields[6]);
    const auto mask = parseKernelWordAddress(fields[7]);
    if (!destination || destination->family != IpFamily::ipv4 || !gateway ||
        gateway->family != IpFamily::ipv4 || !flags || !metric || *metric < INT32_MIN ||
        *metric > UINT32_MAX || !mask || mask->family != IpFamily::ipv4) {
        return std::nullopt;
    }
    Route route;
    route.destination = *destination;
    route.prefixLength = prefixLength(*mask);
    if ((*flags & kernel_route_flag::gateway) != 0) {
        route.gateway = *gateway;
    }
    route.interfaceName = std::string(fields[0]);
    route.metric = static_cast<std::uint32_t>(*metric);
    route.kernelFlags = *flags;
    return route;
}

std::optional<Route> parseIpv6RouteLine(std::string_view line) {
    const auto fields = splitFields(line);
    if (fields.size() < 10) {
        return std::nullopt;
    }
    const auto destination = parseKernelByteAddress(fields[0]);
    const auto length = parseHex32(fields[1]);
    const auto nextHop = parseKernelByteAddress(fields[4]);
    const auto metric = parseHex32(fields[5]);
    const auto flags = parseHex32(fields[8]);
    if (!destination || !length || *length > 128 || !nextHop || !metric || !flags) {
        return std::nullopt;
    }
    Route route;
    route.destination = *destination;
    route.prefixLength = static_cast<int>(*length);
    if ((*flags & kernel_route_flag::gateway) != 0) {
        route.gateway = *nextHop;
    }
    route.interfaceName = std::string(fields[9]);
    route.metric = *metric;
    route.kernelFlags = *flags;
    return route;
}

} // namespace

std::vector<Route> parseProcNetRoute(std::string_view text) {
    std::vector<Route> routes;
    for (const std::string_view line : splitLines(text)) {
        if (auto route = parseIpv4RouteLine(line)) {
            routes.push_back(std::move(*route));
        }
    }
    return routes;
}

std::vector<Route> parseProcNetIpv6Route(std::string_view text) {
    std::vector<Route> routes;
    for (const std::string_view line : splitLines(text)) {
        if (auto route = parseIpv6RouteLine(line)) {
            routes.push_back(std::move(*route));
        }
    }
    return routes;
}

} // namespace lumra
