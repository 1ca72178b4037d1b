// Runs a program for a test: posix_spawn with its own argv[0], pipes for
// both output streams, its own process group, bounded waits.
#pragma once

#include <chrono>
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

class ChildProcess {
public:
    // argv[0] is passed as given; environment = current one plus `extraEnvironment`
    // ("NAME=value", overriding).
    ChildProcess(const std::string& path, const std::vector<std::string>& argv,
                 const std::vector<std::string>& extraEnvironment = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills the whole group and reaps the child if a test left it running.
    ~ChildProcess();

    pid_t pid() const { return m_pid; }
    // Reads standard output until it contains `text`; false at EOF or deadline.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    void signal(int number) const;
    // Drains both streams and reaps; SIGKILLs the group at the deadline.
    ProcessResult finish(std::chrono::milliseconds timeout);

private:
    bool pump(std::chrono::steady_clock::time_point deadline);

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_reaped = false;
    ProcessResult m_result;
};

ProcessResult runProgram(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Whether any process is left in the process group.
bool processGroupExists(pid_t group);

} // namespace lumra::test
