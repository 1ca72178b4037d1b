// A helper server script (python) started for one test: it prints "ready"
// once it listens and exits when its standard input closes, so it never
// outlives the test even when the test dies.
#pragma once

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace lumra::test {

class ScriptServer {
public:
    explicit ScriptServer(std::vector<std::string> argv) {
        int out[2];
        int life[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(life, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, life[0], STDIN_FILENO);
        std::vector<char*> args;
        for (auto& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        const int spawned = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(life[0]);
        m_lifeline = life[1];
        std::string line;
        char c = 0;
        while (spawned == 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        if (spawned != 0 || line != "ready") {
            stop();
            throw std::runtime_error("the helper server did not start: " + argv.back());
        }
    }
    ~ScriptServer() { stop(); }
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

private:
    void stop() {
        if (m_lifeline >= 0)
            ::close(m_lifeline);
        m_lifeline = -1;
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    pid_t m_pid = -1;
    int m_lifeline = -1;
};

} // namespace lumra::test
