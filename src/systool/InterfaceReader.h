// Reads the interfaces of the current network namespace (getifaddrs, plus
// SIOCGIFMTU for the MTU). Runs in the tool's only thread.
#pragma once

#include "systool/NetstatRoutes.h"
#include "systool/NetworkInterface.h"

#include <vector>

namespace lumra {

// In index order, each interface once, its addresses in the kernel's order
// (an address labelled "eth0:1" belongs to eth0). Throws std::system_error
// when getifaddrs fails.
std::vector<NetworkInterface> readNetworkInterfaces();

// Every interface's name and index (if_nameindex); empty when that fails.
InterfaceIndexes currentInterfaceIndexes();

} // namespace lumra
