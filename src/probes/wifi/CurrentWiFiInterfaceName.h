// The name of the current Wi-Fi interface, for the ping runners' router
// lookup. Synchronous, on the caller's thread.
#pragma once

#include "platform/wireless/WirelessClient.h"

#include <optional>
#include <string>

namespace lumra {

// The client's default interface. None without an interface or a name: no
// "en0" here.
std::optional<std::string> currentWiFiInterfaceName(WirelessClient& client);

} // namespace lumra
