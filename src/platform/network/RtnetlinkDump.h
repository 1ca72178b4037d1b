// Reads the current links and default routes with rtnetlink dump requests on
// a socket of its own. Blocking with a bounded wait; runs on whichever thread
// computes a path (the path monitor's queue).
#pragma once

#include "base/NetlinkPayload.h"
#include "platform/network/RoutingFacts.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace lumra {

// Nullopt when netlink cannot be opened, refuses a request, or does not
// finish the dumps within timeout.
std::optional<RoutingFacts>
dumpRoutingFacts(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

// What a dump asked for: links (RTM_GETLINK) or routes (RTM_GETROUTE).
enum class RoutingDump { links, routes };

// Reads one received datagram of a dump: the messages with that sequence
// number go into facts, as links or as default routes. The walk stops at a
// message or attribute that does not lie wholly inside what holds it.
// datagram is aligned as a receive buffer is (to 4 bytes).
NetlinkDumpStep readRoutingDatagram(std::span<const std::uint8_t> datagram, std::uint32_t sequence,
                                    RoutingDump kind, RoutingFacts& facts);

} // namespace lumra
