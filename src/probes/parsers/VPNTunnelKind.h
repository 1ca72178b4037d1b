// Kind of a tunnel interface, from the prefix of its name.
#pragma once

#include "model/TextEnum.h"

namespace lumra {

enum class VPNTunnelKind {
    utun,
    ipsec,
    ppp,
    tun,
    tap,
};

template <> struct TextEnumTraits<VPNTunnelKind> {
    static constexpr std::array<std::pair<VPNTunnelKind, std::string_view>, 5> cases{{
        {VPNTunnelKind::utun, "utun"},
        {VPNTunnelKind::ipsec, "ipsec"},
        {VPNTunnelKind::ppp, "ppp"},
        {VPNTunnelKind::tun, "tun"},
        {VPNTunnelKind::tap, "tap"},
    }};
};

} // namespace lumra

template <> struct std::hash<lumra::VPNTunnelKind> : lumra::TextEnumHash<lumra::VPNTunnelKind> {};
