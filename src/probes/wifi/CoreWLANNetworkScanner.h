// Scans for every nearby network. The scan blocks a worker of the background
// pool, never the caller's executor, until the platform answers; the caller
// resumes on its own executor with the list.
#pragma once

#include "platform/wireless/WirelessClient.h"
#include "probes/wifi/WiFiNetworkScanning.h"

#include <memory>
#include <optional>

namespace lumra {

class CoreWLANNetworkScanner final : public WiFiNetworkScanning {
public:
    // The caller owns the platform's client (nl80211 in the application).
    explicit CoreWLANNetworkScanner(std::shared_ptr<WirelessClient> client);

    // The running scan keeps the client alive, not this scanner.
    Task<std::vector<WiFiScannedNetwork>> scanNetworks() override;

private:
    std::shared_ptr<WirelessClient> m_client;
};

// The entry of one scanned network; none when it has no channel.
std::optional<WiFiScannedNetwork> makeScannedNetwork(const WirelessNetwork& network);

} // namespace lumra
