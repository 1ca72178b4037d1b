// Formats the VPN service list in the layout of scutil --nc list.
#include "systool/NetworkConnectionList.h"

#include <fmt/format.h>

namespace lumra {

std::string_view scutilStateName(std::uint32_t state) {
    switch (state) {
    case nm_active_state::activating:
        return "Connecting";
    case nm_active_state::activated:
        return "Connected";
    case nm_active_state::deactivating:
        return "Disconnecting";
    case nm_active_state::deactivated:
        return "Disconnected";
    default:
        return {};
    }
}

std::string lineSafeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // U+0085 (C2 85), U+2028 and U+2029 (E2 80 A8/A9) break lines for
        // readers that follow Unicode.
        if (c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
            out += ' ';
            ++i;
        } else if (c == 0xe2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xa8 ||
                    static_cast<unsigned char>(text[i + 2]) == 0xa9)) {
            out += ' ';
            i += 2;
        } else if (c < 0x20 || c == 0x7f) {
            out += ' ';
        } else if (c == '"') {
            out += '\'';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string formatNetworkConnectionList(const std::vector<ActiveConnection>& connections) {
    std::string out(kNetworkConnectionListHeader);
    for (const ActiveConnection& connection : connections) {
        const std::string_view state = scutilStateName(connection.state);
        if (state.empty() || (connection.type != "vpn" && connection.type != "wireguard")) {
            continue;
        }
        std::string identifier = lineSafeText(connection.uuid);
        for (char& c : identifier) {
            if (c == ' ') {
                c = '-';
            }
        }
        if (identifier.empty()) {
            identifier = "-";
        }
        const std::string type = lineSafeText(connection.type);
        out += fmt::format("* {:<16} {:<36} {:<20} \"{}\" [VPN:{}]\n", fmt::format("({})", state),
                           identifier, fmt::format("VPN ({})", type), lineSafeText(connection.id),
                           type);
    }
    return out;
}

} // namespace lumra
