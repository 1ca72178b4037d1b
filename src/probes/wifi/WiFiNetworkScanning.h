// The capability of scanning for nearby Wi-Fi networks.
#pragma once

#include "concurrency/Task.h"
#include "probes/wifi/WiFiScannedNetwork.h"

#include <vector>

namespace lumra {

class WiFiNetworkScanning {
public:
    virtual ~WiFiNetworkScanning() = default;
    // Throws WiFiNetworkScannerError::interfaceUnavailable, or the
    // platform's scan error (WirelessError) unchanged.
    virtual Task<std::vector<WiFiScannedNetwork>> scanNetworks() = 0;
};

} // namespace lumra
