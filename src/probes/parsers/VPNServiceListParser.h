// Reads the VPN services and their states from "scutil --nc list".
// Pure, any thread; never fails: lines it cannot read are left out.
#pragma once

#include "probes/parsers/VPNConnectionServiceStatus.h"

#include <optional>
#include <string_view>
#include <vector>

namespace lumra {

// Lines holding "[VPN:" with a state in parentheses and an identifier
// after it, in listing order.
std::vector<VPNConnectionServiceStatus> parseVPNServiceList(std::string_view output);
// The state word in any letter case, white space around it ignored.
std::optional<VPNConnectionServiceState> vpnConnectionServiceState(std::string_view text);

} // namespace lumra
