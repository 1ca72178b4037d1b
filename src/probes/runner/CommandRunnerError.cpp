#include "probes/runner/CommandRunnerError.h"

#include <fmt/format.h>

namespace lumra {

CommandRunnerError CommandRunnerError::executableNotAllowed(std::string path) {
    CommandRunnerError error(Kind::executableNotAllowed);
    error.m_executable = std::move(path);
    return described(std::move(error));
}

CommandRunnerError CommandRunnerError::launchFailed(std::string executable, std::string message) {
    CommandRunnerError error(Kind::launchFailed);
    error.m_executable = std::move(executable);
    error.m_message = std::move(message);
    return described(std::move(error));
}

CommandRunnerError CommandRunnerError::timedOut(std::string executable, double timeout) {
    CommandRunnerError error(Kind::timedOut);
    error.m_executable = std::move(executable);
    error.m_timeout = timeout;
    return described(std::move(error));
}

CommandRunnerError CommandRunnerError::outputDecodingFailed(std::string executable) {
    CommandRunnerError error(Kind::outputDecodingFailed);
    error.m_executable = std::move(executable);
    return described(std::move(error));
}

CommandRunnerError CommandRunnerError::nonZeroExit(std::string executable, std::int32_t exitCode,
                                                   std::string standardOutput,
                                                   std::string standardError) {
    CommandRunnerError error(Kind::nonZeroExit);
    error.m_executable = std::move(executable);
    error.m_exitCode = exitCode;
    error.m_standardOutput = std::move(standardOutput);
    error.m_standardError = std::move(standardError);
    return described(std::move(error));
}

CommandRunnerError CommandRunnerError::killedBySignal(std::string executable,
                                                      std::int32_t signalNumber,
                                                      std::string standardOutput,
                                                      std::string standardError) {
    CommandRunnerError error = nonZeroExit(std::move(executable), signalNumber,
                                           std::move(standardOutput), std::move(standardError));
    error.m_endedBySignal = true;
    return described(std::move(error));
}

CommandRunnerError CommandRunnerError::described(CommandRunnerError error) {
    const std::string& tool = error.m_executable;
    switch (error.m_kind) {
    case Kind::executableNotAllowed:
        error.m_description = fmt::format("{} is not a tool Lumra runs", tool);
        break;
    case Kind::launchFailed:
        error.m_description = fmt::format("{} could not start: {}", tool, error.m_message);
        break;
    case Kind::timedOut:
        error.m_description = fmt::format("{} timed out after {} s", tool, error.m_timeout);
        break;
    case Kind::outputDecodingFailed:
        error.m_description = fmt::format("{} wrote text that is not UTF-8", tool);
        break;
    case Kind::nonZeroExit:
        error.m_description = error.m_endedBySignal
                                  ? fmt::format("{} was ended by signal {}", tool, error.m_exitCode)
                                  : fmt::format("{} exited with status {}", tool, error.m_exitCode);
        break;
    }
    return error;
}

bool CommandRunnerError::operator==(const CommandRunnerError& other) const noexcept {
    return m_kind == other.m_kind && m_executable == other.m_executable &&
           m_message == other.m_message && m_timeout == other.m_timeout &&
           m_exitCode == other.m_exitCode && m_endedBySignal == other.m_endedBySignal &&
           m_standardOutput == other.m_standardOutput && m_standardError == other.m_standardError;
}

std::string CommandRunnerError::describe() const {
    switch (m_kind) {
    case Kind::executableNotAllowed:
        return fmt::format("executableNotAllowed({})", m_executable);
    case Kind::launchFailed:
        return fmt::format("launchFailed({}, {})", m_executable, m_message);
    case Kind::timedOut:
        return fmt::format("timedOut({}, {})", m_executable, m_timeout);
    case Kind::outputDecodingFailed:
        return fmt::format("outputDecodingFailed({})", m_executable);
    case Kind::nonZeroExit:
        return m_endedBySignal ? fmt::format("killedBySignal({}, {})", m_executable, m_exitCode)
                               : fmt::format("nonZeroExit({}, {})", m_executable, m_exitCode);
    }
    return "unknown";
}

} // namespace lumra
