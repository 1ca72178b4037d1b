// "scutil --nc list": the VPN services line by line, built from
// NetworkManager's active connections.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// NMActiveConnectionState values.
namespace nm_active_state {
inline constexpr std::uint32_t unknown = 0;
inline constexpr std::uint32_t activating = 1;
inline constexpr std::uint32_t activated = 2;
inline constexpr std::uint32_t deactivating = 3;
inline constexpr std::uint32_t deactivated = 4;
} // namespace nm_active_state

struct ActiveConnection {
    std::string id; // the connection's display name
    std::string uuid;
    std::string type; // "vpn", "wireguard", "802-3-ethernet", ...
    std::uint32_t state = nm_active_state::unknown;

    bool operator==(const ActiveConnection&) const = default;
};

inline constexpr std::string_view kNetworkConnectionListHeader =
    "Available network connection services in the current set (*=enabled):\n";

// "Connected", "Connecting", "Disconnecting", "Disconnected"; empty for a
// state that has no BSD counterpart.
std::string_view scutilStateName(std::uint32_t state);

// Text that stays on its line and inside its quotes: line and paragraph
// separators and other control characters become blanks, double quotes
// become single ones.
std::string lineSafeText(std::string_view text);

// The header, then one line per VPN or WireGuard connection in a known state.
std::string formatNetworkConnectionList(const std::vector<ActiveConnection>& connections);

} // namespace lumra
