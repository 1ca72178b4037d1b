// "netstat -rn [-f inet|inet6]": the BSD routing table, built from the
// kernel's routing tables.
#pragma once

#include "systool/RouteTable.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

// Interface name to kernel index, for "link#N" gateways.
using InterfaceIndexes = std::map<std::string, unsigned, std::less<>>;

// BSD's abbreviated network form: the classful part of the address, then
// "/bits" unless the mask is the classful one ("10", "10.8/16", "0/1",
// "128.0/1", "192.168.1", "224.0.0/4").
std::string bsdIpv4NetworkName(std::uint32_t networkHostOrder, std::uint32_t maskHostOrder);

std::string bsdRouteDestination(const Route& route);
// The gateway address (with "%iface" when it is link-local), or "link#N".
std::string bsdRouteGateway(const Route& route, const InterfaceIndexes& indexes);
std::string bsdRouteFlags(const Route& route);

// Whether a route is listed at all: rejecting routes and routes on
// interfaces whose names would break the table's columns are not.
bool isListedRoute(const Route& route);

// Listed routes in table order: by destination, then prefix length, then
// metric (so several default routes come in the kernel's order of choice).
std::vector<Route> orderedRoutes(std::vector<Route> routes);

struct RoutingTableSections {
    std::optional<std::vector<Route>> inet;
    std::optional<std::vector<Route>> inet6;
};

// "Routing tables", then an "Internet:" and/or "Internet6:" section with
// the columns Destination, Gateway, Flags, Netif, Expire.
std::string formatRoutingTable(const RoutingTableSections& sections,
                               const InterfaceIndexes& indexes);

// Interface names that print as one field: printable ASCII, no blanks.
bool isPrintableInterfaceName(std::string_view name);

} // namespace lumra
