// Runs a program for a test: posix_spawn with its own argv[0] and its own
// process group, its output read through pipes with bounded waits, its
// input a pipe when asked for (the fakes that take commands line by line).
#pragma once

#include "base/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lumra::test {

struct ProcessResult {
    // Exit status, or absent when a signal ended the process.
    std::optional<int> exitCode;
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Where the child's standard error goes: read into ProcessResult::err, the
// test's own standard error (a fake's complaints show in the test log), or
// /dev/null.
enum class ErrorOutput { captured, kept, discarded };

struct ProcessOptions {
    // "NAME=value" entries added to the current environment, overriding.
    std::vector<std::string> environment;
    // A pipe to the child's standard input (writeLine); /dev/null otherwise.
    bool input = false;
    ErrorOutput errors = ErrorOutput::captured;

    // A fake that takes commands line by line on its input and answers on
    // its output, its complaints in the test log.
    static ProcessOptions commanded() {
        ProcessOptions options;
        options.input = true;
        options.errors = ErrorOutput::kept;
        return options;
    }
};

class Subprocess {
public:
    // argv[0] is passed as given.
    Subprocess(const std::string& path, const std::vector<std::string>& argv,
               ProcessOptions options = {});
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;
    // Kills the whole group and reaps the child if a test left it running.
    ~Subprocess();

    pid_t pid() const { return m_pid; }
    // Reads standard output until it contains text; false at EOF or deadline.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // The next line of standard output without its newline; nullopt at the
    // end of output or after timeout.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    // Throws when the child's input is closed.
    void writeLine(const std::string& line);
    void signal(int number) const;
    // Drains both streams and reaps; SIGKILLs the group at the deadline.
    ProcessResult finish(std::chrono::milliseconds timeout);
    // Closes its input, SIGTERMs it and reaps it; does nothing once reaped.
    void stop();

private:
    bool pump(std::chrono::steady_clock::time_point deadline);
    void reap();

    pid_t m_pid = -1;
    UniqueFd m_in;
    UniqueFd m_out;
    UniqueFd m_err;
    bool m_reaped = false;
    // Where readLine goes on in m_result.out.
    std::size_t m_lineStart = 0;
    ProcessResult m_result;
};

ProcessResult runProgram(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Whether any process is left in the process group.
bool processGroupExists(pid_t group);

} // namespace lumra::test
