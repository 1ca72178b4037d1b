// WirelessClient over nl80211 (libnl-genl-3). Each call opens its own
// netlink socket, so calls from several threads never share one; every wait
// on the kernel is bounded. Without the nl80211 family (a kernel without
// cfg80211) there is simply no interface. A scan the kernel will not let us
// trigger (no CAP_NET_ADMIN) is asked of NetworkManager or iwd on
// scanService, from the current runtime's I/O thread.
#pragma once

#include "platform/bus/BusAddress.h"
#include "platform/wireless/WirelessClient.h"

#include <chrono>
#include <optional>

namespace lumra {

class Nl80211Client final : public WirelessClient {
public:
    struct Timeouts {
        // For all requests of one call together (a reading), or of each
        // request of a scan.
        std::chrono::milliseconds request{1000};
        // For a scan (triggered, joined or asked of a service) to finish
        // before the cached results are read.
        std::chrono::milliseconds scan{15000};
    };

    Nl80211Client() = default;
    // scanService: none never asks a service.
    explicit Nl80211Client(Timeouts timeouts,
                           std::optional<BusAddress> scanService = BusAddress::system())
        : m_timeouts(timeouts), m_scanService(std::move(scanService)) {}

    std::optional<WirelessInterface> defaultInterface() override;
    std::optional<WirelessLinkReading> currentReading() override;
    std::optional<WirelessScan> scanNetworks() override;

private:
    Timeouts m_timeouts;
    std::optional<BusAddress> m_scanService = BusAddress::system();
};

} // namespace lumra
