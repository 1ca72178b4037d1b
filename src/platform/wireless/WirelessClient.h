// The Wi-Fi hardware as the rest of the system sees it: the default station
// interface, a reading of its link and a scan for every network. Every call
// may be made from any thread and keeps no state between calls.
#pragma once

#include "platform/wireless/WirelessInterface.h"
#include "platform/wireless/WirelessLinkReading.h"
#include "platform/wireless/WirelessScan.h"

#include <optional>

namespace lumra {

class WirelessClient {
public:
    virtual ~WirelessClient() = default;

    // The first station-mode interface; none when there is no Wi-Fi at all.
    // Throws WirelessError when the kernel cannot be asked.
    virtual std::optional<WirelessInterface> defaultInterface() = 0;

    // A quick, bounded reading of the default interface (made on the main
    // actor several times a second); none when there is no interface.
    // Throws WirelessError when the kernel cannot be asked.
    virtual std::optional<WirelessLinkReading> currentReading() = 0;

    // Blocks until the scan ends (seconds); none when there is no interface.
    // A scan already running is joined. Throws WirelessError when the scan
    // fails; a scan refused everywhere, or not done in time, is not a
    // failure but gives the kernel's cached results.
    virtual std::optional<WirelessScan> scanNetworks() = 0;
};

} // namespace lumra
