// WirelessClient over nl80211 (libnl-genl-3). Each call opens its own
// netlink socket, so calls from several threads never share one; every wait
// on the kernel is bounded. Without the nl80211 family (a kernel without
// cfg80211) there is simply no interface.
#pragma once

#include "platform/wireless/WirelessClient.h"

#include <chrono>

namespace lumra {

class Nl80211Client final : public WirelessClient {
public:
    struct Timeouts {
        // For all requests of one call together (a reading), or of each
        // request of a scan.
        std::chrono::milliseconds request{1000};
        // For a triggered scan to finish before the cached results are read.
        std::chrono::milliseconds scan{15000};
    };

    Nl80211Client() = default;
    explicit Nl80211Client(Timeouts timeouts) : m_timeouts(timeouts) {}

    std::optional<WirelessInterface> defaultInterface() override;
    std::optional<WirelessLinkReading> currentReading() override;
    std::optional<WirelessScan> scanNetworks() override;

private:
    Timeouts m_timeouts;
};

} // namespace lumra
