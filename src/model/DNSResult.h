// One timed DNS lookup.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace lumra {

struct DNSResult {
    std::string domain;
    std::chrono::system_clock::time_point timestamp;
    std::optional<double> latencyMilliseconds;
    bool didSucceed;

    bool operator==(const DNSResult&) const = default;
};

} // namespace lumra
