// What identifies the attached network; a new identity starts a new history.
#pragma once

#include <optional>
#include <string>

namespace lumra {

struct NetworkIdentity {
    std::string interfaceName;
    std::optional<std::string> ssid;
    std::optional<std::string> bssid;
    std::optional<std::string> ipAddress;

    bool operator==(const NetworkIdentity&) const = default;
};

} // namespace lumra
