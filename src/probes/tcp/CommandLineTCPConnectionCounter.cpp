#include "probes/tcp/CommandLineTCPConnectionCounter.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "probes/parsers/TCPStateCountsParser.h"
#include "probes/parsers/ToolOutputText.h"
#include "probes/runner/CommandRunnerError.h"

namespace lumra {

bool containsTCPSocketLine(std::string_view output) {
    for (std::string_view line : splitLines(output)) {
        const auto fields = splitFields(line);
        if (!fields.empty() && lowercasedForASCIIComparison(fields.front()).starts_with("tcp"))
            return true;
    }
    return false;
}

Task<TCPConnectionCountOutcome> CommandLineTCPConnectionCounter::countConnections(double timeout) {
    auto request = CommandRequest{"/usr/sbin/netstat", {"-n", "-p", "tcp"}, timeout};
    try {
        const CommandExecutionResult result = co_await m_commandRunner->run(std::move(request));
        co_return TCPConnectionCountOutcome{parseTCPStateCounts(result.standardOutput), true};
    } catch (const CommandRunnerError& error) {
        const bool exited = error.kind() == CommandRunnerError::Kind::nonZeroExit;
        if (exited && containsTCPSocketLine(error.standardOutput()))
            co_return TCPConnectionCountOutcome{parseTCPStateCounts(error.standardOutput()), true};
        // The runner logged every other ending when it made it.
        if (exited)
            LUMRA_LOG_CAUGHT("tcp", "counting connections failed");
    } catch (const CancellationError&) {
    } catch (...) {
        LUMRA_LOG_CAUGHT("tcp", "counting connections failed");
    }
    co_return TCPConnectionCountOutcome{std::nullopt, false};
}

} // namespace lumra
