// scutil service list; see the header.
#include "probes/parsers/VPNServiceListParser.h"

#include "probes/parsers/ToolOutputText.h"

namespace lumra {
namespace {

std::optional<std::string> quotedName(std::string_view rest) {
    const std::size_t open = rest.find('"');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t close = rest.find('"', open + 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(rest.substr(open + 1, close - open - 1));
}

std::optional<VPNConnectionServiceStatus> serviceStatusOfLine(std::string_view line) {
    if (line.find("[VPN:") == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view trimmed = trimBlanks(line);
    const std::size_t open = trimmed.find('(');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t close = trimmed.find(')', open + 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    const auto state = vpnConnectionServiceState(trimmed.substr(open + 1, close - open - 1));
    if (!state) {
        return std::nullopt;
    }
    const std::string_view rest = trimBlanks(trimmed.substr(close + 1));
    const std::vector<std::string_view> words = splitFields(rest);
    if (words.empty()) {
        return std::nullopt;
    }
    return VPNConnectionServiceStatus{std::string(words.front()), quotedName(rest), *state};
}

} // namespace

std::optional<VPNConnectionServiceState> vpnConnectionServiceState(std::string_view text) {
    return fromRawValue<VPNConnectionServiceState>(
        lowercasedForASCIIComparison(trimWhiteSpace(text)));
}

std::vector<VPNConnectionServiceStatus> parseVPNServiceList(std::string_view output) {
    std::vector<VPNConnectionServiceStatus> services;
    for (const std::string_view line : splitLines(output)) {
        if (auto status = serviceStatusOfLine(line)) {
            services.push_back(std::move(*status));
        }
    }
    return services;
}

} // namespace lumra
