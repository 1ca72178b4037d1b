// Counts TCP sockets by state. Never throws: a failure is absent counts.
#pragma once

#include "concurrency/Task.h"
#include "model/TCPConnectionStateCounts.h"

#include <optional>

namespace lumra {

struct TCPConnectionCountOutcome {
    std::optional<TCPConnectionStateCounts> counts;
    bool didSucceed; // exactly when the counts are present

    bool operator==(const TCPConnectionCountOutcome&) const = default;
};

class TCPConnectionCounting {
public:
    virtual ~TCPConnectionCounting() = default;
    virtual Task<TCPConnectionCountOutcome> countConnections(double timeout) = 0;
};

} // namespace lumra
