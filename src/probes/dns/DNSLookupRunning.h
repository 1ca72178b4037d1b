// Times one DNS lookup. Never throws: a failure is an absent latency.
#pragma once

#include "concurrency/Task.h"

#include <optional>
#include <string>

namespace lumra {

struct DNSLookupOutcome {
    std::optional<double> latencyMilliseconds;
    bool didSucceed; // exactly when the latency is present

    bool operator==(const DNSLookupOutcome&) const = default;
};

class DNSLookupRunning {
public:
    virtual ~DNSLookupRunning() = default;
    virtual Task<DNSLookupOutcome> lookup(std::string domain, double timeout) = 0;
};

} // namespace lumra
