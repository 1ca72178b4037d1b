// Which kind of interface a link is, from its hardware type and what sysfs
// says of it: Wi-Fi when the device is wireless, cellular for WWAN modems,
// wired for the remaining Ethernet-framed links, other for everything else
// (tunnels, PPP, ...). Runs on whichever thread computes a path.
#pragma once

#include "platform/network/NetworkPath.h"

#include <string>

namespace lumra {

struct InterfaceSysfsFacts {
    bool hasWirelessDirectory = false; // /sys/class/net/X/wireless or phy80211
    std::string deviceType;            // DEVTYPE= of /sys/class/net/X/uevent

    bool operator==(const InterfaceSysfsFacts&) const = default;
};

NetworkInterfaceType classifyInterfaceType(unsigned short hardwareType,
                                           const InterfaceSysfsFacts& sysfs);

// Reads the facts of interface name under netRoot (normally /sys/class/net);
// a missing or unreadable entry gives empty facts.
InterfaceSysfsFacts readInterfaceSysfsFacts(const std::string& netRoot, const std::string& name);

} // namespace lumra
