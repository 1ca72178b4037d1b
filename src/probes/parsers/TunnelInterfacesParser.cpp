// ifconfig tunnel interfaces; see the header.
#include "probes/parsers/TunnelInterfacesParser.h"

#include "probes/parsers/Regex.h"
#include "probes/parsers/ToolOutputText.h"

#include <array>

namespace lumra {
namespace {

const Regex& headerPattern() {
    static const Regex pattern(R"(^(\w+):\s*flags=\d+<([^>]*)>)");
    return pattern;
}

// The first piece of a detail line after its keyword, pieces split at
// single spaces.
std::optional<std::string> firstAddress(std::string_view afterKeyword) {
    const std::vector<std::string_view> pieces = splitAtByte(trimBlanks(afterKeyword), ' ');
    if (pieces.empty()) {
        return std::nullopt;
    }
    return std::string(pieces.front());
}

void readDetailLine(std::string_view line, VPNTunnelInterfaceStatus& tunnel) {
    const std::string_view detail = trimBlanks(line);
    if (detail.starts_with("inet ")) {
        if (auto address = firstAddress(detail.substr(5))) {
            tunnel.ipv4Addresses.push_back(std::move(*address));
        }
    } else if (detail.starts_with("inet6 ")) {
        if (auto address = firstAddress(detail.substr(6))) {
            tunnel.ipv6Addresses.push_back(std::move(*address));
        }
    } else if (detail.starts_with("status:")) {
        tunnel.status = std::string(trimBlanks(detail.substr(7)));
    }
}

} // namespace

std::optional<VPNTunnelKind> tunnelKindOfInterfaceName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, VPNTunnelKind>, 5> prefixes{{
        {"utun", VPNTunnelKind::utun},
        {"ipsec", VPNTunnelKind::ipsec},
        {"ppp", VPNTunnelKind::ppp},
        {"tun", VPNTunnelKind::tun},
        {"tap", VPNTunnelKind::tap},
    }};
    for (const auto& [prefix, kind] : prefixes) {
        if (name.starts_with(prefix)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::vector<VPNTunnelInterfaceStatus> parseTunnelInterfaces(std::string_view output) {
    std::vector<VPNTunnelInterfaceStatus> tunnels;
    // The interface whose lines are being read; absent before the first
    // header and while the current interface is no tunnel.
    std::optional<VPNTunnelInterfaceStatus> current;
    for (const std::string_view line : splitLines(output)) {
        if (const auto header = headerPattern().firstMatch(line)) {
            if (current) {
                tunnels.push_back(std::move(*current));
                current.reset();
            }
            // The groups are the name before the first ":" and the text
            // between the first "<" and the first ">" of the match.
            const std::string_view name = header->captureGroups[0].value_or("");
            if (const auto kind = tunnelKindOfInterfaceName(name)) {
                const std::string_view flags = header->captureGroups[1].value_or("");
                current = VPNTunnelInterfaceStatus{
                    std::string(name), *kind, std::string(flags), {}, {}, {}};
            }
            continue;
        }
        if (current) {
            readDetailLine(line, *current);
        }
    }
    if (current) {
        tunnels.push_back(std::move(*current));
    }
    return tunnels;
}

} // namespace lumra
