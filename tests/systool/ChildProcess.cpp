// Spawning and draining child processes for the tests.
#include "tests/systool/ChildProcess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumra::test {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const std::string& added : extra) {
            overridden = overridden || added.substr(0, added.find('=')) == name;
        }
        if (!overridden) {
            merged.push_back(text);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

ChildProcess::ChildProcess(const std::string& path, const std::vector<std::string>& argv,
                           const std::vector<std::string>& extraEnvironment) {
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = mergedEnvironment(extraEnvironment);
    auto argumentPointers = pointers(arguments);
    auto environmentPointers = pointers(environment);
    const int error = posix_spawn(&m_pid, path.c_str(), &actions, &attributes,
                                  argumentPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(outPipe[1]);
    close(errPipe[1]);
    m_out = outPipe[0];
    m_err = errPipe[0];
    if (error != 0) {
        close(m_out);
        close(m_err);
        throw std::runtime_error("posix_spawn " + path + ": " + std::strerror(error));
    }
}

ChildProcess::~ChildProcess() {
    if (!m_reaped && m_pid > 0) {
        kill(-m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) {
        close(m_out);
    }
    if (m_err >= 0) {
        close(m_err);
    }
}

bool ChildProcess::pump(std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || (m_out < 0 && m_err < 0)) {
        return false;
    }
    const int ready = poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) {
        return true;
    }
    if (ready <= 0) {
        return false;
    }
    int* streams[2] = {&m_out, &m_err};
    std::string* targets[2] = {&m_result.out, &m_result.err};
    for (int i = 0; i < 2; ++i) {
        if (*streams[i] < 0 || fds[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(*streams[i], buffer, sizeof buffer);
        if (got > 0) {
            targets[i]->append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            close(*streams[i]);
            *streams[i] = -1;
        }
    }
    return true;
}

bool ChildProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_result.out.find(text) == std::string::npos) {
        if (m_out < 0 || !pump(deadline)) {
            return false;
        }
    }
    return true;
}

void ChildProcess::signal(int number) const {
    kill(m_pid, number);
}

ProcessResult ChildProcess::finish(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_out >= 0 || m_err >= 0) {
        if (!pump(deadline)) {
            if (std::chrono::steady_clock::now() >= deadline) {
                m_result.timedOut = true;
                kill(-m_pid, SIGKILL);
                break;
            }
        }
    }
    int status = 0;
    if (!m_reaped) {
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
        if (WIFEXITED(status)) {
            m_result.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            m_result.signal = WTERMSIG(status);
        }
    }
    return m_result;
}

ProcessResult runProgram(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment,
                         std::chrono::milliseconds timeout) {
    ChildProcess child(path, argv, extraEnvironment);
    return child.finish(timeout);
}

bool processGroupExists(pid_t group) {
    return kill(-group, 0) == 0 || errno != ESRCH;
}

} // namespace lumra::test
