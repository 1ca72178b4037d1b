// Default-route gateway; see the header.
#include "probes/parsers/DefaultRouteGatewayParser.h"

#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/IPAddressValidation.h"
#include "probes/parsers/ToolOutputText.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace lumra {
namespace {

struct DefaultRouteCandidate {
    std::string gateway;
    std::string interfaceName;
};

CommandParsingError missingDefaultRoute() {
    return CommandParsingError::missingPattern("/usr/sbin/netstat", "default <gateway> ...");
}

int interfaceRank(std::string_view name) {
    // Wired and Wi-Fi first, tunnels and loopback last; unknown kinds between.
    static constexpr std::array<std::pair<std::string_view, int>, 9> ranks{{
        {"en", 0},
        {"bridge", 1},
        {"awdl", 2},
        {"llw", 2},
        {"utun", 4},
        {"ipsec", 4},
        {"tun", 4},
        {"ppp", 4},
        {"lo", 5},
    }};
    for (const auto& [prefix, rank] : ranks) {
        if (name.starts_with(prefix)) {
            return rank;
        }
    }
    return 3;
}

bool isGatewayOfFamily(std::string_view gateway, RouteAddressFamily family) {
    return family == RouteAddressFamily::ipv6 ? isValidIPv6Address(gateway)
                                              : isValidIPv4Address(gateway);
}

std::vector<DefaultRouteCandidate> defaultRouteCandidates(std::string_view output,
                                                          RouteAddressFamily family) {
    std::vector<DefaultRouteCandidate> candidates;
    for (const std::string_view line : splitLines(output)) {
        const std::vector<std::string_view> fields = splitFields(line);
        if (fields.empty() || fields.front() != "default") {
            continue;
        }
        if (fields.size() == 1) {
            throw missingDefaultRoute();
        }
        if (!isGatewayOfFamily(fields[1], family)) {
            continue;
        }
        const std::string_view interfaceName = fields.size() >= 4 ? fields[3] : std::string_view();
        candidates.push_back({std::string(fields[1]), std::string(interfaceName)});
    }
    return candidates;
}

bool isBetter(const DefaultRouteCandidate& candidate, const DefaultRouteCandidate& best) {
    const int candidateRank = interfaceRank(candidate.interfaceName);
    const int bestRank = interfaceRank(best.interfaceName);
    if (candidateRank != bestRank) {
        return candidateRank < bestRank;
    }
    // Byte order of UTF-8 is code point order.
    return candidate.gateway < best.gateway;
}

} // namespace

std::string parseDefaultRouteGateway(std::string_view output, RouteAddressFamily family,
                                     std::optional<std::string_view> preferredInterfaceName) {
    std::vector<DefaultRouteCandidate> candidates = defaultRouteCandidates(output, family);
    if (preferredInterfaceName) {
        const auto isOnPreferred = [&](const DefaultRouteCandidate& c) {
            return c.interfaceName == *preferredInterfaceName;
        };
        if (std::any_of(candidates.begin(), candidates.end(), isOnPreferred)) {
            std::erase_if(candidates,
                          [&](const DefaultRouteCandidate& c) { return !isOnPreferred(c); });
        }
    }
    if (candidates.empty()) {
        throw missingDefaultRoute();
    }
    const DefaultRouteCandidate* best = &candidates.front();
    for (const DefaultRouteCandidate& candidate : candidates) {
        if (isBetter(candidate, *best)) {
            best = &candidate;
        }
    }
    return best->gateway;
}

} // namespace lumra
