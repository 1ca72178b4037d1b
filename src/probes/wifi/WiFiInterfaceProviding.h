// The capability of reading the Wi-Fi interface once, synchronously.
#pragma once

#include "probes/wifi/WiFiInterfaceSnapshot.h"

#include <optional>

namespace lumra {

class WiFiInterfaceProviding {
public:
    virtual ~WiFiInterfaceProviding() = default;
    // Called on the main actor; never suspends. None without an interface.
    virtual std::optional<WiFiInterfaceSnapshot> currentSnapshot() = 0;
};

} // namespace lumra
