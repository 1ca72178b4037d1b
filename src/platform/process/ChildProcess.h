// A child process with both output streams captured. vfork and execve start
// it with O_CLOEXEC pipes, so no other child inherits them; the I/O thread
// drains the pipes while it runs (a child never blocks on a full pipe) and
// learns of its exit through a pidfd, then reaps it. Termination is SIGTERM,
// then SIGKILL if the child outlives a short grace. Every child is reaped at
// shutdown; none outlives the process however it ends: the kernel kills it
// when the thread that started it ends (so start children only from threads
// that live as long as the process: the main actor's, the I/O thread), and
// exit() without a shutdown kills every child still running.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lumra {

struct ChildExit {
    // The exit status, or the signal number for a child ended by a signal.
    int status;
    bool endedBySignal;
    std::string standardOutput; // raw bytes
    std::string standardError;  // raw bytes
};

class ChildLaunchError final : public std::runtime_error {
public:
    ChildLaunchError(int code, const std::string& message)
        : std::runtime_error(message), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

class ChildProcess {
public:
    static constexpr auto terminationGrace = std::chrono::milliseconds(1000);

    // Starts file with argv (argv[0] included), inheriting standard input, the
    // environment and the working directory. onExit runs once on the I/O
    // thread when the child has exited and both pipes are drained. Of each
    // output stream at most maxKeptOutputBytes are kept: its start and its
    // end, in whole lines. Throws ChildLaunchError with the system's
    // description when it cannot start.
    static std::shared_ptr<ChildProcess> launch(const std::string& file,
                                                const std::vector<std::string>& argv,
                                                std::function<void(ChildExit)> onExit,
                                                std::size_t maxKeptOutputBytes = SIZE_MAX);

    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const noexcept;
    // True until the child has been reaped.
    bool isRunning() const noexcept;
    // From any thread: SIGTERM now, SIGKILL after the grace if it still runs.
    // Output still unread once it is gone is dropped.
    void terminate();

    struct State;

private:
    explicit ChildProcess(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};

} // namespace lumra
