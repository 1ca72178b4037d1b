// How the probes read tool output, restated for these tests: the patterns
// and field rules their parsers apply, so the tests check that what
// lumra-systool prints is read as meant.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra::test {

// Capture groups of the first match of a PCRE2 pattern (UTF, UCP).
std::optional<std::vector<std::string>> firstMatchGroups(const std::string& pattern,
                                                         std::string_view text);

struct PingSummary {
    double minimum = 0;
    double average = 0;
    double maximum = 0;
    double deviation = 0;
};
std::optional<PingSummary> pingSummary(std::string_view output);
std::optional<double> packetLossPercent(std::string_view output);

std::vector<std::string> splitLines(std::string_view text);
std::vector<std::string> splitFields(std::string_view line);

// TCP lines counted by state, as the connection counter reads them: first
// field starting with "tcp", state = last field.
std::map<std::string, int> tcpStateCounts(std::string_view netstatOutput);

// The fields of every "default" line of a routing table, in order.
std::vector<std::vector<std::string>> defaultRouteLines(std::string_view netstatOutput);

struct InterfaceHeader {
    std::string name;
    std::string flags;
};
// Header lines as the tunnel-interface reader recognises them.
std::vector<InterfaceHeader> interfaceHeaders(std::string_view ifconfigOutput);

} // namespace lumra::test
