// PCRE2 and field splitting for the tests' output readers.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "tests/systool/ToolOutputRules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <pcre2.h>

namespace lumra::test {

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

std::optional<double> decimal(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [pointer, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || pointer != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::vector<std::string>> firstMatchGroups(const std::string& pattern,
                                                         std::string_view text) {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), pattern.size(),
                      PCRE2_UTF | PCRE2_UCP, &errorCode, &errorOffset, nullptr));
    if (!code) {
        return std::nullopt;
    }
    const std::unique_ptr<pcre2_match_data, MatchDeleter> data(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    const int count = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                  text.size(), 0, 0, data.get(), nullptr);
    if (count <= 0) {
        return std::nullopt;
    }
    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.get());
    std::vector<std::string> groups;
    for (int group = 1; group < count; ++group) {
        if (offsets[2 * group] == PCRE2_UNSET) {
            return std::nullopt;
        }
        groups.emplace_back(
            text.substr(offsets[2 * group], offsets[2 * group + 1] - offsets[2 * group]));
    }
    return groups;
}

std::optional<PingSummary> pingSummary(std::string_view output) {
    const auto groups = firstMatchGroups(
        R"((?m)(?:round-trip|rtt)\s+min\/avg\/max\/(?:stddev|mdev)\s*=\s*([0-9.]+)\/([0-9.]+)\/([0-9.]+)\/([0-9.]+)\s+ms)",
        output);
    if (!groups || groups->size() != 4) {
        return std::nullopt;
    }
    PingSummary summary;
    double* targets[] = {&summary.minimum, &summary.average, &summary.maximum, &summary.deviation};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto value = decimal((*groups)[i]);
        if (!value) {
            return std::nullopt;
        }
        *targets[i] = *value;
    }
    return summary;
}

std::optional<double> packetLossPercent(std::string_view output) {
    const auto groups = firstMatchGroups(R"((?m)([0-9]+(?:\.[0-9]+)?)%\s+packet loss)", output);
    if (!groups || groups->empty()) {
        return std::nullopt;
    }
    return decimal((*groups)[0]);
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    for (const char c : text) {
        if (c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            if (!current.empty()) {
                lines.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        lines.push_back(current);
    }
    return lines;
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::string current;
    for (const char c : line) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            if (!current.empty()) {
                fields.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        fields.push_back(current);
    }
    return fields;
}

std::map<std::string, int> tcpStateCounts(std::string_view netstatOutput) {
    std::map<std::string, int> counts;
    for (const std::string& line : splitLines(netstatOutput)) {
        const auto fields = splitFields(line);
        if (fields.empty()) {
            continue;
        }
        std::string protocol = fields.front();
        std::transform(protocol.begin(), protocol.end(), protocol.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (protocol.rfind("tcp", 0) == 0) {
            ++counts[fields.back()];
        }
    }
    return counts;
}

std::vector<std::vector<std::string>> defaultRouteLines(std::string_view netstatOutput) {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : splitLines(netstatOutput)) {
        auto fields = splitFields(line);
        if (!fields.empty() && fields.front() == "default") {
            lines.push_back(std::move(fields));
        }
    }
    return lines;
}

std::vector<InterfaceHeader> interfaceHeaders(std::string_view ifconfigOutput) {
    std::vector<InterfaceHeader> headers;
    for (const std::string& line : splitLines(ifconfigOutput)) {
        const auto groups = firstMatchGroups(R"(^(\w+):\s*flags=\d+<([^>]*)>)", line);
        if (groups && groups->size() == 2) {
            headers.push_back({(*groups)[0], (*groups)[1]});
        }
    }
    return headers;
}

} // namespace lumra::test
