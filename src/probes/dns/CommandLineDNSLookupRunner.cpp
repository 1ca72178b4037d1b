#include "probes/dns/CommandLineDNSLookupRunner.h"

#include "base/DiagnosticLog.h"
#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/DigQueryTimeParser.h"
#include "probes/support/ToolOutput.h"

#include <algorithm>
#include <cmath>

namespace lumra {

CommandRequest digCommandLine(const std::string& domain, double timeout) {
    constexpr double longestWait = 86400;
    const double seconds =
        timeout > 1 ? std::ceil(std::min(timeout, longestWait)) : 1; // NaN gives 1
    return CommandRequest{
        "/usr/bin/dig",
        {"+time=" + std::to_string(static_cast<std::int64_t>(seconds)), "+tries=1", domain},
        timeout};
}

Task<DNSLookupOutcome> CommandLineDNSLookupRunner::lookup(std::string domain, double timeout) {
    CommandRequest request = digCommandLine(domain, timeout);
    const std::optional<std::string> output =
        co_await readableOutput(*m_commandRunner, std::move(request));
    if (!output)
        co_return DNSLookupOutcome{std::nullopt, false};
    try {
        co_return DNSLookupOutcome{parseDigQueryTime(*output), true};
    } catch (const CommandParsingError&) {
        LUMRA_LOG_CAUGHT("dns", "the output has no usable query time");
        co_return DNSLookupOutcome{std::nullopt, false};
    }
}

} // namespace lumra
