// Reads the interfaces of the current network namespace (getifaddrs, plus
// SIOCGIFMTU for the MTU). Runs in the tool's only thread.
#pragma once

#include "systool/NetstatRoutes.h"
#include "systool/NetworkInterface.h"

#include <vector>

namespace lumra {

// In index order, each interface once under its link's name, its addresses
// in the kernel's order. Every entry goes by its interface index: an IPv4
// address's label ("eth0:1", or any text at all) never names an interface. Throws std::system_error
// when getifaddrs fails.
std::vector<NetworkInterface> readNetworkInterfaces();

// Every interface's name and index (if_nameindex); empty when that fails.
InterfaceIndexes currentInterfaceIndexes();

} // namespace lumra
