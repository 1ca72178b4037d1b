// Ping summary line; see the header.
#include "probes/parsers/PingSummaryParser.h"

#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/Regex.h"
#include "probes/parsers/ToolOutputText.h"

#include <array>

namespace lumra {
namespace {

constexpr std::string_view pingCommand = "/sbin/ping";

const Regex& summaryPattern() {
    static const Regex pattern(
        R"((?m)(?:round-trip|rtt)\s+min\/avg\/max\/(?:stddev|mdev)\s*=\s*([0-9.]+)\/([0-9.]+)\/([0-9.]+)\/([0-9.]+)\s+ms)");
    return pattern;
}

} // namespace

PingSummary parsePingSummary(std::string_view output) {
    const auto groups = summaryPattern().firstMatchCaptureGroups(output);
    if (!groups || groups->size() != 4) {
        throw CommandParsingError::missingPattern(
            std::string(pingCommand),
            "round-trip min/avg/max/stddev = <min>/<avg>/<max>/<stddev> ms");
    }
    constexpr std::array<std::string_view, 4> fieldNames{"min", "avg", "max", "stddev"};
    std::array<double, 4> figures{};
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const std::optional<double> figure = parseDecimal((*groups)[i]);
        if (!figure) {
            throw CommandParsingError::invalidNumber(std::string(pingCommand),
                                                     std::string(fieldNames[i]), (*groups)[i]);
        }
        figures[i] = *figure;
    }
    return PingSummary{figures[0], figures[1], figures[2], figures[3]};
}

} // namespace lumra
