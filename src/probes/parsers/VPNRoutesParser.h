// Reads the routes through tunnel interfaces from "netstat -rn". Pure,
// any thread; never fails: other lines are left out.
#pragma once

#include "probes/parsers/VPNRouteEntry.h"

#include <string_view>
#include <vector>

namespace lumra {

// One entry per line that names a tunnel interface (the last word that
// begins with utun, ipsec, ppp, tun or tap), with the line's first word as
// destination; header lines are skipped.
std::vector<VPNRouteEntry> parseVPNRoutes(std::string_view output);

} // namespace lumra
