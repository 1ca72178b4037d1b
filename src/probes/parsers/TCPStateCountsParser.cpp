// netstat TCP states; see the header.
#include "probes/parsers/TCPStateCountsParser.h"

#include "probes/parsers/ToolOutputText.h"

namespace lumra {
namespace {

bool isTCPSocketLine(std::string_view firstField) {
    return lowercasedForASCIIComparison(firstField).starts_with("tcp");
}

} // namespace

TCPConnectionStateCounts parseTCPStateCounts(std::string_view output) {
    TCPConnectionStateCounts counts{0, 0, 0};
    for (const std::string_view line : splitLines(output)) {
        const std::vector<std::string_view> fields = splitFields(line);
        if (fields.empty() || !isTCPSocketLine(fields.front())) {
            continue;
        }
        const std::string state = uppercasedForASCIIComparison(trimPunctuation(fields.back()));
        if (state == "ESTABLISHED") {
            ++counts.established;
        } else if (state == "TIME_WAIT") {
            ++counts.timeWait;
        } else if (state == "CLOSE_WAIT") {
            ++counts.closeWait;
        }
    }
    return counts;
}

} // namespace lumra
