// One graded reading of TCP connection pressure.
#pragma once

#include "model/SignalQuality.h"
#include "model/TCPConnectionStateCounts.h"

#include <chrono>

namespace lumra {

struct ConnectionPressureResult {
    std::chrono::system_clock::time_point timestamp;
    TCPConnectionStateCounts counts;
    SignalQuality quality;

    bool operator==(const ConnectionPressureResult&) const = default;
};

} // namespace lumra
