// Everything one health grade was computed from, taken together.
#pragma once

#include "model/DNSResult.h"
#include "model/HealthState.h"
#include "model/PingResult.h"
#include "model/WiFiSnapshot.h"

#include <chrono>
#include <optional>

namespace lumra {

struct DiagnosticsSnapshot {
    std::chrono::system_clock::time_point timestamp;
    std::optional<WiFiSnapshot> wifiSnapshot;
    std::optional<PingResult> routerPingResult;
    std::optional<PingResult> internetPingResult;
    std::optional<DNSResult> dnsResult;
    HealthState healthState;

    bool operator==(const DiagnosticsSnapshot&) const = default;
};

} // namespace lumra
