// Formats the routing table in the layout of BSD netstat -rn.
#include "systool/NetstatRoutes.h"

#include <algorithm>
#include <bit>
#include <fmt/format.h>
#include <tuple>

namespace lumra {

namespace {

constexpr std::uint32_t kClassANet = 0xff000000;
constexpr std::uint32_t kClassBNet = 0xffff0000;
constexpr std::uint32_t kClassCNet = 0xffffff00;

std::uint32_t classfulMask(std::uint32_t address) {
    if ((address & 0x80000000) == 0) {
        return kClassANet;
    }
    if ((address & 0xc0000000) == 0x80000000) {
        return kClassBNet;
    }
    return kClassCNet;
}

std::uint32_t maskOfLength(int length) {
    return length <= 0 ? 0 : length >= 32 ? 0xffffffff : ~((std::uint32_t{1} << (32 - length)) - 1);
}

std::string dottedPrefix(std::uint32_t address, int octets) {
    std::string text;
    for (int i = 0; i < octets; ++i) {
        if (i > 0) {
            text += '.';
        }
        text += fmt::format("{}", (address >> (24 - 8 * i)) & 0xff);
    }
    return text;
}

std::string zoned(const IpAddress& address, const std::string& interfaceName) {
    if (address.needsZone()) {
        return address.text() + "%" + interfaceName;
    }
    return address.text();
}

struct Columns {
    std::size_t destination;
    std::size_t gateway;
    std::size_t flags;
    std::size_t interface;
};

struct Row {
    std::string destination;
    std::string gateway;
    std::string flags;
    std::string interface;
};

std::string formatRow(const Row& row, const Columns& columns) {
    return fmt::format("{:<{}} {:<{}} {:<{}} {:>{}} {:>6}\n", row.destination, columns.destination,
                       row.gateway, columns.gateway, row.flags, columns.flags, row.interface,
                       columns.interface, "");
}

std::string formatSection(const char* title, IpFamily family, const std::vector<Route>& routes,
                          const InterfaceIndexes& indexes) {
    const bool inet6 = family == IpFamily::ipv6;
    Columns columns{inet6 ? 39u : 18u, inet6 ? 39u : 18u, 15, 6};
    std::vector<Row> rows;
    for (const Route& route : orderedRoutes(routes)) {
        if (route.destination.family != family) {
            continue;
        }
        Row row{bsdRouteDestination(route), bsdRouteGateway(route, indexes), bsdRouteFlags(route),
                route.interfaceName};
        columns.destination = std::max(columns.destination, row.destination.size());
        columns.gateway = std::max(columns.gateway, row.gateway.size());
        columns.flags = std::max(columns.flags, row.flags.size());
        columns.interface = std::max(columns.interface, row.interface.size());
        rows.push_back(std::move(row));
    }
    std::string out = fmt::format("{}\n", title);
    // The header's last column is written out so that it carries no
    // trailing blanks of its own.
    out +=
        fmt::format("{:<{}} {:<{}} {:<{}} {:>{}} Expire\n", "Destination", columns.destination,
                    "Gateway", columns.gateway, "Flags", columns.flags, "Netif", columns.interface);
    for (const Row& row : rows) {
        out += formatRow(row, columns);
    }
    return out;
}

} // namespace

std::string bsdIpv4NetworkName(std::uint32_t network, std::uint32_t mask) {
    const std::uint32_t natural = classfulMask(network);
    std::string text;
    // The classful part, widened an octet at a time while host bits of the
    // class are set (BSD's netname falls through the same way).
    if (natural == kClassANet && (network & ~kClassANet) == 0) {
        text = dottedPrefix(network, 1);
    } else if (natural != kClassCNet && (network & ~kClassBNet) == 0) {
        text = dottedPrefix(network, 2);
    } else if ((network & ~kClassCNet) == 0) {
        text = dottedPrefix(network, 3);
    } else {
        text = dottedPrefix(network, 4);
    }
    if (mask != 0 && mask != natural) {
        text += fmt::format("/{}", std::popcount(mask));
    }
    return text;
}

std::string bsdRouteDestination(const Route& route) {
    if (route.isDefault()) {
        return "default";
    }
    if (route.destination.family == IpFamily::ipv4) {
        if (route.prefixLength >= 32) {
            return route.destination.text();
        }
        return bsdIpv4NetworkName(route.destination.ipv4HostOrder(),
                                  maskOfLength(route.prefixLength));
    }
    const std::string address = zoned(route.destination, route.interfaceName);
    if (route.prefixLength >= 128) {
        return address;
    }
    return fmt::format("{}/{}", address, route.prefixLength);
}

std::string bsdRouteGateway(const Route& route, const InterfaceIndexes& indexes) {
    if (route.gateway) {
        return zoned(*route.gateway, route.interfaceName);
    }
    const auto found = indexes.find(route.interfaceName);
    return fmt::format("link#{}", found == indexes.end() ? 0u : found->second);
}

std::string bsdRouteFlags(const Route& route) {
    namespace flag = kernel_route_flag;
    const bool host = route.destination.family == IpFamily::ipv4
                          ? route.prefixLength >= 32 || route.hasFlag(flag::host)
                          : route.prefixLength >= 128;
    const bool local = route.destination.family == IpFamily::ipv6 && route.hasFlag(flag::local);
    std::string flags;
    if (route.hasFlag(flag::up)) {
        flags += 'U';
    }
    if (route.gateway) {
        flags += 'G';
    }
    if (host) {
        flags += 'H';
    }
    if (route.hasFlag(flag::dynamic)) {
        flags += 'D';
    }
    if (route.hasFlag(flag::modified)) {
        flags += 'M';
    }
    // Linux keeps no cloning or static marks; a directly attached network
    // is what BSD marks cloning, and what no daemon learnt counts as static.
    if (!route.gateway && !host && !local) {
        flags += 'C';
    }
    if (local) {
        flags += 'L';
    }
    if (!route.hasFlag(flag::dynamic) && !local && !route.hasFlag(flag::addrconf)) {
        flags += 'S';
    }
    return flags;
}

bool isPrintableInterfaceName(std::string_view name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

bool isListedRoute(const Route& route) {
    return !route.hasFlag(kernel_route_flag::reject) &&
           isPrintableInterfaceName(route.interfaceName) && route.interfaceName != "*";
}

std::vector<Route> orderedRoutes(std::vector<Route> routes) {
    std::erase_if(routes, [](const Route& route) { return !isListedRoute(route); });
    std::stable_sort(routes.begin(), routes.end(), [](const Route& a, const Route& b) {
        return std::tie(a.destination.bytes, a.prefixLength, a.metric) <
               std::tie(b.destination.bytes, b.prefixLength, b.metric);
    });
    return routes;
}

std::string formatRoutingTable(const RoutingTableSections& sections,
                               const InterfaceIndexes& indexes) {
    std::string out = "Routing tables\n";
    if (sections.inet) {
        out += "\n";
        out += formatSection("Internet:", IpFamily::ipv4, *sections.inet, indexes);
    }
    if (sections.inet6) {
        out += "\n";
        out += formatSection("Internet6:", IpFamily::ipv6, *sections.inet6, indexes);
    }
    return out;
}

} // namespace lumra
