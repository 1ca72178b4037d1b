// Reads the round-trip summary line that ping and ping6 print last. Pure,
// any thread.
#pragma once

#include <string_view>

namespace lumra {

struct PingSummary {
    double minimumMilliseconds;
    double averageMilliseconds;
    double maximumMilliseconds;
    double standardDeviationMilliseconds;

    bool operator==(const PingSummary&) const = default;
};

// Takes BSD ping's "round-trip min/avg/max/stddev = ..." and the
// "rtt min/avg/max/mdev = ..." of other implementations. Throws
// CommandParsingError (command "/sbin/ping", also for ping6 output):
// missingPattern without a summary line, invalidNumber with the field
// "min", "avg", "max" or "stddev" of the first figure that does not convert.
PingSummary parsePingSummary(std::string_view output);

} // namespace lumra
