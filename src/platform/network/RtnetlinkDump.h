// Reads the current links and default routes with rtnetlink dump requests on
// a socket of its own. Blocking with a bounded wait; runs on whichever thread
// computes a path (the path monitor's queue).
#pragma once

#include "platform/network/RoutingFacts.h"

#include <chrono>
#include <optional>

namespace lumra {

// Nullopt when netlink cannot be opened, refuses a request, or does not
// finish the dumps within timeout.
std::optional<RoutingFacts>
dumpRoutingFacts(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

} // namespace lumra
