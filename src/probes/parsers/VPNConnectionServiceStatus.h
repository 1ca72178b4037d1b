// One VPN service line of "scutil --nc list".
#pragma once

#include "probes/parsers/VPNConnectionServiceState.h"

#include <optional>
#include <string>

namespace lumra {

struct VPNConnectionServiceStatus {
    // The first word after the state.
    std::string identifier;
    // The text between the first pair of double quotes.
    std::optional<std::string> name;
    VPNConnectionServiceState state;

    bool operator==(const VPNConnectionServiceStatus&) const = default;
};

} // namespace lumra
