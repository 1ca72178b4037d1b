// Spawning and draining child processes for the tests.
#include "tests/support/Subprocess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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

UniquePipe pipeOrThrow() {
    UniquePipe ends = openPipe(O_CLOEXEC);
    if (!ends.read) {
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    }
    return ends;
}

} // namespace

Subprocess::Subprocess(const std::string& path, const std::vector<std::string>& argv,
                       ProcessOptions options) {
    UniquePipe input;
    UniquePipe output = pipeOrThrow();
    UniquePipe errors;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.input) {
        // A child that died must fail the test, not kill it on the next write.
        ::signal(SIGPIPE, SIG_IGN);
        input = pipeOrThrow();
        posix_spawn_file_actions_adddup2(&actions, input.read.get(), STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, output.write.get(), STDOUT_FILENO);
    if (options.errors == ErrorOutput::captured) {
        errors = pipeOrThrow();
        posix_spawn_file_actions_adddup2(&actions, errors.write.get(), STDERR_FILENO);
    } else if (options.errors == ErrorOutput::discarded) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
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
    std::vector<std::string> environment = mergedEnvironment(options.environment);
    auto argumentPointers = pointers(arguments);
    auto environmentPointers = pointers(environment);
    const int error = posix_spawn(&m_pid, path.c_str(), &actions, &attributes,
                                  argumentPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        m_pid = -1;
        throw std::runtime_error("posix_spawn " + path + ": " + std::strerror(error));
    }
    m_in = std::move(input.write);
    m_out = std::move(output.read);
    m_err = std::move(errors.read);
}

Subprocess::~Subprocess() {
    if (!m_reaped && m_pid > 0) {
        kill(-m_pid, SIGKILL);
        reap();
    }
}

bool Subprocess::pump(std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{m_out.get(), POLLIN, 0}, {m_err.get(), POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || (!m_out && !m_err)) {
        return false;
    }
    const int ready = poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) {
        return true;
    }
    if (ready <= 0) {
        return false;
    }
    UniqueFd* streams[2] = {&m_out, &m_err};
    std::string* targets[2] = {&m_result.out, &m_result.err};
    for (int i = 0; i < 2; ++i) {
        if (!*streams[i] || fds[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(streams[i]->get(), buffer, sizeof buffer);
        if (got > 0) {
            targets[i]->append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            streams[i]->reset();
        }
    }
    return true;
}

bool Subprocess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_result.out.find(text) == std::string::npos) {
        if (!m_out || !pump(deadline)) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> Subprocess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto newline = m_result.out.find('\n', m_lineStart);
        if (newline != std::string::npos) {
            std::string line = m_result.out.substr(m_lineStart, newline - m_lineStart);
            m_lineStart = newline + 1;
            return line;
        }
        if (!m_out || !pump(deadline)) {
            return std::nullopt;
        }
    }
}

void Subprocess::writeLine(const std::string& line) {
    const std::string text = line + "\n";
    if (!m_in || ::write(m_in.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("the child's input is closed");
}

void Subprocess::signal(int number) const {
    kill(m_pid, number);
}

void Subprocess::reap() {
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    if (WIFEXITED(status)) {
        m_result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        m_result.signal = WTERMSIG(status);
    }
}

ProcessResult Subprocess::finish(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_out || m_err) {
        if (!pump(deadline)) {
            if (std::chrono::steady_clock::now() >= deadline) {
                m_result.timedOut = true;
                kill(-m_pid, SIGKILL);
                break;
            }
        }
    }
    if (!m_reaped) {
        reap();
    }
    return m_result;
}

void Subprocess::stop() {
    m_in.reset();
    if (!m_reaped && m_pid > 0) {
        kill(m_pid, SIGTERM);
        reap();
    }
    m_out.reset();
    m_err.reset();
}

ProcessResult runProgram(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment,
                         std::chrono::milliseconds timeout) {
    ProcessOptions options;
    options.environment = extraEnvironment;
    Subprocess child(path, argv, options);
    return child.finish(timeout);
}

bool processGroupExists(pid_t group) {
    return kill(-group, 0) == 0 || errno != ESRCH;
}

} // namespace lumra::test
