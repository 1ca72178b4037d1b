#include "probes/support/ToolOutput.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "probes/runner/CommandRunnerError.h"

namespace lumra {

// The runner logs every ending it makes but a non-zero exit, which some tools
// (ping, dig) end with while still answering; a stop is no failure of the tool.
// The runner outlives every run: probes hold it for their whole life.
Task<std::optional<std::string>> readableOutput(CommandRunning& runner, CommandRequest request) {
    try {
        co_return (co_await runner.run(std::move(request))).standardOutput;
    } catch (const CommandRunnerError& error) {
        if (error.kind() == CommandRunnerError::Kind::nonZeroExit)
            co_return error.standardOutput();
    } catch (const CancellationError&) {
    } catch (...) {
        LUMRA_LOG_CAUGHT("tools", "a tool's output could not be read");
    }
    co_return std::nullopt;
}

Task<std::optional<std::string>> cleanOutput(CommandRunning& runner, CommandRequest request) {
    try {
        co_return (co_await runner.run(std::move(request))).standardOutput;
    } catch (const CommandRunnerError& error) {
        if (error.kind() == CommandRunnerError::Kind::nonZeroExit)
            LUMRA_LOG_CAUGHT("tools", "the output of a failed run is set aside");
    } catch (const CancellationError&) {
    } catch (...) {
        LUMRA_LOG_CAUGHT("tools", "a tool's output could not be read");
    }
    co_return std::nullopt;
}

} // namespace lumra
