#include "probes/runner/CommandRunnerError.h"

#include <fmt/format.h>

namespace lumra {

CommandRunnerError CommandRunnerError::executableNotAllowed(std::string path) {
    CommandRunnerError error(Kind::executableNotAllowed);
    error.m_executable = std::move(path);
    return error;
}

CommandRunnerError CommandRunnerError::launchFailed(std::string executable, std::string message) {
    CommandRunnerError error(Kind::launchFailed);
    error.m_executable = std::move(executable);
    error.m_message = std::move(message);
    return error;
}

CommandRunnerError CommandRunnerError::timedOut(std::string executable, double timeout) {
    CommandRunnerError error(Kind::timedOut);
    error.m_executable = std::move(executable);
    error.m_timeout = timeout;
    return error;
}

CommandRunnerError CommandRunnerError::cancelled(std::string executable) {
    CommandRunnerError error(Kind::cancelled);
    error.m_executable = std::move(executable);
    return error;
}

CommandRunnerError CommandRunnerError::outputDecodingFailed(std::string executable) {
    CommandRunnerError error(Kind::outputDecodingFailed);
    error.m_executable = std::move(executable);
    return error;
}

CommandRunnerError CommandRunnerError::nonZeroExit(std::string executable, std::int32_t exitCode,
                                                   std::string standardOutput,
                                                   std::string standardError) {
    CommandRunnerError error(Kind::nonZeroExit);
    error.m_executable = std::move(executable);
    error.m_exitCode = exitCode;
    error.m_standardOutput = std::move(standardOutput);
    error.m_standardError = std::move(standardError);
    return error;
}

bool CommandRunnerError::operator==(const CommandRunnerError& other) const noexcept {
    return m_kind == other.m_kind && m_executable == other.m_executable &&
           m_message == other.m_message && m_timeout == other.m_timeout &&
           m_exitCode == other.m_exitCode && m_standardOutput == other.m_standardOutput &&
           m_standardError == other.m_standardError;
}

const char* CommandRunnerError::what() const noexcept {
    return "command runner error";
}

std::string CommandRunnerError::describe() const {
    switch (m_kind) {
    case Kind::executableNotAllowed:
        return fmt::format("executableNotAllowed({})", m_executable);
    case Kind::launchFailed:
        return fmt::format("launchFailed({}, {})", m_executable, m_message);
    case Kind::timedOut:
        return fmt::format("timedOut({}, {})", m_executable, m_timeout);
    case Kind::cancelled:
        return fmt::format("cancelled({})", m_executable);
    case Kind::outputDecodingFailed:
        return fmt::format("outputDecodingFailed({})", m_executable);
    case Kind::nonZeroExit:
        return fmt::format("nonZeroExit({}, {})", m_executable, m_exitCode);
    }
    return "unknown";
}

} // namespace lumra
