// Every way a tool run ends other than a clean result or the caller's
// cancellation (CancellationError, as everywhere). It carries data; callers
// build their own sentences, and what() describes it for the diagnostic log.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace lumra {

class CommandRunnerError final : public std::exception {
public:
    enum class Kind {
        executableNotAllowed,
        launchFailed,
        timedOut,
        outputDecodingFailed,
        nonZeroExit
    };

    static CommandRunnerError executableNotAllowed(std::string path);
    static CommandRunnerError launchFailed(std::string executable, std::string message);
    static CommandRunnerError timedOut(std::string executable, double timeout);
    static CommandRunnerError outputDecodingFailed(std::string executable);
    static CommandRunnerError nonZeroExit(std::string executable, std::int32_t exitCode,
                                          std::string standardOutput, std::string standardError);
    // A nonZeroExit whose exitCode is the number of the signal that ended it.
    static CommandRunnerError killedBySignal(std::string executable, std::int32_t signalNumber,
                                             std::string standardOutput, std::string standardError);

    Kind kind() const noexcept { return m_kind; }
    // The requested path (executableNotAllowed) or the run's executable
    // (launchFailed too: the path asked for, not the stand-in run for it).
    const std::string& executable() const noexcept { return m_executable; }
    // launchFailed only.
    const std::string& message() const noexcept { return m_message; }
    // timedOut only: the request's value, unchanged.
    double timeout() const noexcept { return m_timeout; }
    // nonZeroExit only.
    std::int32_t exitCode() const noexcept { return m_exitCode; }
    bool endedBySignal() const noexcept { return m_endedBySignal; }
    const std::string& standardOutput() const noexcept { return m_standardOutput; }
    const std::string& standardError() const noexcept { return m_standardError; }

    bool operator==(const CommandRunnerError& other) const noexcept;

    // For diagnosis only: "/usr/sbin/netstat exited with status 1".
    const char* what() const noexcept override { return m_description.c_str(); }
    std::string describe() const;

private:
    explicit CommandRunnerError(Kind kind) : m_kind(kind) {}
    // The error with its what() text set.
    static CommandRunnerError described(CommandRunnerError error);

    Kind m_kind;
    std::string m_executable;
    std::string m_message;
    double m_timeout = 0;
    std::int32_t m_exitCode = 0;
    bool m_endedBySignal = false;
    std::string m_standardOutput;
    std::string m_standardError;
    std::string m_description;
};

} // namespace lumra
