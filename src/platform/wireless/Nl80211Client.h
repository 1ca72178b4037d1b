// WirelessClient over nl80211 (libnl-genl-3). Readings and interface
// look-ups, several a second, share one kept netlink session, which follows
// the controller's notifications to learn when the nl80211 family comes or
// goes; a call that finds it in use on another thread opens its own, and a
// session that failed is not kept. A scan has a session of its own. Every
// wait on the kernel is bounded. Without the nl80211 family (a kernel
// without cfg80211) there is simply no interface. A scan the kernel will not
// let us trigger (no CAP_NET_ADMIN) is asked of NetworkManager or iwd on
// scanService, from the current runtime's I/O thread.
#pragma once

#include "platform/bus/BusAddress.h"
#include "platform/wireless/WirelessClient.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace lumra {

class Nl80211Client final : public WirelessClient {
public:
    struct Timeouts {
        // For all requests of one call together (a reading), or of each
        // request of a scan.
        std::chrono::milliseconds request{1000};
        // For a scan this call triggered to finish before the cached results
        // are read.
        std::chrono::milliseconds scan{15000};
        // The same for a scan joined while it ran or asked of a network
        // service; three of them and the pauses between fit in the time a
        // diagnostics export gives a channel scan.
        std::chrono::milliseconds othersScan{7000};
    };

    Nl80211Client();
    // scanService: none never asks a service.
    explicit Nl80211Client(Timeouts timeouts,
                           std::optional<BusAddress> scanService = BusAddress::system());
    ~Nl80211Client() override;

    std::optional<WirelessInterface> defaultInterface() override;
    std::optional<WirelessLinkReading> currentReading() override;
    std::optional<WirelessScan> scanNetworks() override;

    struct KeptSession;

private:
    std::unique_ptr<KeptSession> takeSession(std::chrono::steady_clock::time_point deadline);
    void keepSession(std::unique_ptr<KeptSession> session);

    Timeouts m_timeouts;
    std::optional<BusAddress> m_scanService = BusAddress::system();
    std::mutex m_mutex;
    std::unique_ptr<KeptSession> m_kept;
};

} // namespace lumra
