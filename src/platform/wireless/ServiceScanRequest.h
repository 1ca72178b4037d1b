// A scan asked of the network service that manages a Wi-Fi interface, for
// callers the kernel will not let trigger one: NetworkManager
// (Device.Wireless.RequestScan on the device whose Interface is ours, done
// when its LastScan advances) or else iwd (Station.Scan, done when Scanning
// falls back to false). A scan that is already running is joined. Each
// service is asked through the connection that owns its name when asked, and
// only that connection's signals count. The bus work runs on the runtime's
// I/O thread; the caller, a blocking worker, polls readyFd or waits.
#pragma once

#include "platform/bus/BusAddress.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace lumra {

enum class ServiceScanOutcome {
    // The service's scan ended after the request.
    scanned,
    // Not authorised (polkit, bus policy) or not allowed in the device's state.
    refused,
    // No bus, or neither service on it.
    noService,
    // No service there manages the interface (or not as a Wi-Fi station).
    notManaged,
    // Any other answer.
    failed,
    // No answer before the deadline (from wait only).
    timedOut,
};

const char* describe(ServiceScanOutcome outcome) noexcept;

class ServiceScanRequest {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // NetworkManager's devices beyond this many are neither read nor asked:
    // a machine has tens, and each costs a round trip.
    static constexpr std::size_t maxDevices = 4096;

    // Sends the request at once from the I/O thread of the current runtime.
    // Throws std::system_error when no descriptor can be made for readyFd.
    ServiceScanRequest(BusAddress bus, std::string interfaceName);
    // Abandons a request still waiting: the I/O thread leaves the bus.
    ~ServiceScanRequest();
    ServiceScanRequest(const ServiceScanRequest&) = delete;
    ServiceScanRequest& operator=(const ServiceScanRequest&) = delete;

    // Readable once the outcome is known.
    int readyFd() const noexcept;
    std::optional<ServiceScanOutcome> outcome() const;
    // With an outcome other than scanned: the service's error name, or what
    // failed; may be empty.
    std::string detail() const;
    // Blocks until the outcome is known; timedOut at the deadline.
    ServiceScanOutcome wait(Deadline deadline) const;

    struct Shared;
    struct BusSide;

private:
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<BusSide> m_bus;
};

} // namespace lumra
