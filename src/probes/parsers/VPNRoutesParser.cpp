// netstat routes through tunnels; see the header.
#include "probes/parsers/VPNRoutesParser.h"

#include "probes/parsers/ToolOutputText.h"
#include "probes/parsers/TunnelInterfacesParser.h"

#include <algorithm>
#include <array>

namespace lumra {
namespace {

bool isHeaderWord(std::string_view word) {
    static constexpr std::array<std::string_view, 4> headers{"Destination", "Routing",
                                                             "Internet:", "Internet6:"};
    return std::find(headers.begin(), headers.end(), word) != headers.end();
}

} // namespace

std::vector<VPNRouteEntry> parseVPNRoutes(std::string_view output) {
    std::vector<VPNRouteEntry> routes;
    for (const std::string_view line : splitLines(output)) {
        const std::vector<std::string_view> words = splitFields(line);
        if (words.empty() || isHeaderWord(words.front())) {
            continue;
        }
        const auto tunnel = std::find_if(words.rbegin(), words.rend(), [](std::string_view word) {
            return tunnelKindOfInterfaceName(word).has_value();
        });
        if (tunnel == words.rend()) {
            continue;
        }
        routes.push_back({std::string(words.front()), std::string(*tunnel)});
    }
    return routes;
}

} // namespace lumra
