// dig query time; see the header.
#include "probes/parsers/DigQueryTimeParser.h"

#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/Regex.h"
#include "probes/parsers/ToolOutputText.h"

namespace lumra {
namespace {

constexpr std::string_view digCommand = "/usr/bin/dig";

const Regex& queryTimePattern() {
    static const Regex pattern(R"((?m)Query time:\s*([0-9]+)\s*msec)");
    return pattern;
}

} // namespace

double parseDigQueryTime(std::string_view output) {
    const auto groups = queryTimePattern().firstMatchCaptureGroups(output);
    if (!groups || groups->empty()) {
        throw CommandParsingError::missingPattern(std::string(digCommand),
                                                  "Query time: <value> msec");
    }
    const std::optional<double> milliseconds = parseDecimal(groups->front());
    if (!milliseconds) {
        throw CommandParsingError::invalidNumber(std::string(digCommand), "queryTime",
                                                 groups->front());
    }
    return *milliseconds;
}

} // namespace lumra
