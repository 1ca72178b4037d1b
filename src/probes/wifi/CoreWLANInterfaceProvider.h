// Reads the Wi-Fi link once, synchronously, on the caller's thread (the main
// actor, up to four times a second), through the platform's WirelessClient.
#pragma once

#include "platform/wireless/WirelessClient.h"
#include "probes/wifi/WiFiInterfaceProviding.h"

#include <memory>

namespace lumra {

class CoreWLANInterfaceProvider final : public WiFiInterfaceProviding {
public:
    // The caller owns the platform's client (nl80211 in the application).
    explicit CoreWLANInterfaceProvider(std::shared_ptr<WirelessClient> client);

    std::optional<WiFiInterfaceSnapshot> currentSnapshot() override;

private:
    std::shared_ptr<WirelessClient> m_client;
};

// The snapshot of one reading; also used where a reading is already at hand.
WiFiInterfaceSnapshot makeInterfaceSnapshot(const WirelessLinkReading& reading);

} // namespace lumra
