// ping over an ICMP datagram socket, where net.ipv4.ping_group_range lets
// this user open one: the echoes are sent from this process, with iputils
// ping's schedule (one a second), waits (-W without any reply, else two of
// the longest round trips but at least a second after the last echo) and
// output (reply lines, summary, loss and rtt lines, exit codes 0, 1, 2).
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace lumra {

struct IcmpPingRequest {
    std::string host; // numeric IPv4
    long count = 1;
    std::chrono::microseconds wait{1000000};
};

// The exit status, or absent when no datagram socket may be opened here (or
// the host is not a numeric IPv4 address): iputils must run then.
std::optional<int> pingOverDatagramSocket(const IcmpPingRequest& request);

// iputils' round-trip figure: "0.048", "1.25", "12.5", "150".
std::string roundTripText(std::chrono::microseconds time);

} // namespace lumra
