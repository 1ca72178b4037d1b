// The interface's IPv4 address and whether a VPN is active. Never throws.
#pragma once

#include "concurrency/Task.h"

#include <optional>
#include <string>

namespace lumra {

class WiFiNetworkMetadataResolving {
public:
    virtual ~WiFiNetworkMetadataResolving() = default;
    virtual Task<std::optional<std::string>> ipAddress(std::string interfaceName) = 0;
    virtual Task<bool> isVPNActive() = 0;
};

} // namespace lumra
