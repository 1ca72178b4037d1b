// State of one VPN connection service, as the service list prints it.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class VPNConnectionServiceState {
    connected,
    disconnected,
    connecting,
    disconnecting,
};

template <> struct TextEnumTraits<VPNConnectionServiceState> {
    static constexpr std::array<std::pair<VPNConnectionServiceState, std::string_view>, 4> cases{{
        {VPNConnectionServiceState::connected, "connected"},
        {VPNConnectionServiceState::disconnected, "disconnected"},
        {VPNConnectionServiceState::connecting, "connecting"},
        {VPNConnectionServiceState::disconnecting, "disconnecting"},
    }};
};

} // namespace lumra

template <>
struct std::hash<lumra::VPNConnectionServiceState>
    : lumra::TextEnumHash<lumra::VPNConnectionServiceState> {};
