// Reads NetworkManager's active connections over the system bus (sd-bus,
// blocking calls with a deadline; the tool's only thread).
#pragma once

#include "systool/NetworkConnectionList.h"

#include <chrono>
#include <string>
#include <vector>

namespace lumra {

struct ActiveConnectionsReading {
    enum class Outcome {
        // No system bus, or NetworkManager does not own its name on it.
        notRunning,
        read,
        failed,
    };
    Outcome outcome = Outcome::notRunning;
    std::vector<ActiveConnection> connections;
    std::string error;
};

// Connections that vanish while they are read are skipped.
ActiveConnectionsReading readActiveConnections(std::chrono::milliseconds budget);

} // namespace lumra
