// A synchronous, quick reading of the current Wi-Fi link (main actor).
#pragma once

#include "probes/wifi/WiFiInterfaceSnapshot.h"

#include <optional>

namespace lumra {

class WiFiInterfaceProviding {
public:
    virtual ~WiFiInterfaceProviding() = default;
    // Absent when there is no Wi-Fi interface.
    virtual std::optional<WiFiInterfaceSnapshot> currentSnapshot() = 0;
};

} // namespace lumra
