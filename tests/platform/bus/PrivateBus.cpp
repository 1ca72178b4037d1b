#include "tests/platform/bus/PrivateBus.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumra::test {

namespace {

void closeIfOpen(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::filesystem::path makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumra-bus-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

} // namespace

LineProcess::LineProcess(const std::vector<std::string>& argv, ErrorOutput errors) {
    // A child that died must fail the test, not kill it on the next write.
    ::signal(SIGPIPE, SIG_IGN);
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    if (errors == ErrorOutput::discarded)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int spawned = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    m_stdin = input[1];
    m_stdout = output[0];
    if (spawned != 0) {
        m_pid = -1;
        stop();
        throw std::runtime_error("cannot start " + argv[0]);
    }
}

LineProcess::~LineProcess() {
    stop();
}

std::optional<std::string> LineProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto newline = m_buffered.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffered.substr(0, newline);
            m_buffered.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_stdout < 0)
            return std::nullopt;
        pollfd readable{m_stdout, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[512];
        const ssize_t got = ::read(m_stdout, chunk, sizeof chunk);
        if (got <= 0)
            return std::nullopt;
        m_buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

void LineProcess::writeLine(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(m_stdin, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("child's input is closed");
}

void LineProcess::stop() {
    closeIfOpen(m_stdin);
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
    closeIfOpen(m_stdout);
}

namespace {

std::string sessionPolicy() {
    return R"(  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
)";
}

// As Debian's system.conf and a service's own policy file have it.
std::string systemPolicy(const std::vector<std::string>& openDestinations) {
    std::string policy = R"(  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
)";
    for (const auto& destination : openDestinations)
        policy += "    <allow send_destination=\"" + destination + "\"/>\n";
    policy += R"(  </policy>
  <policy user="root">
    <allow own="*"/>
  </policy>
)";
    return policy;
}

} // namespace

PrivateBus::PrivateBus(Kind kind, const std::vector<std::string>& openDestinations)
    : m_directory(makeTemporaryDirectory()) {
    const auto socket = m_directory / "bus";
    const auto config = m_directory / "bus.conf";
    std::ofstream(config)
        << R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>)"
        << (kind == Kind::system ? "system" : "session") << R"(</type>
  <listen>unix:path=)"
        << socket.string() << R"(</listen>
  <auth>EXTERNAL</auth>
)" << (kind == Kind::system ? systemPolicy(openDestinations) : sessionPolicy())
        << R"(</busconfig>
)";
    m_daemon.emplace(std::vector<std::string>{"/usr/bin/dbus-daemon", "--nofork", "--nopidfile",
                                              "--config-file=" + config.string(),
                                              "--print-address=1"},
                     LineProcess::ErrorOutput::discarded); // only a notice on fd limits
    auto address = m_daemon->readLine(std::chrono::seconds(10));
    if (!address || address->empty())
        throw std::runtime_error("the private bus did not start");
    m_address = *address;
}

PrivateBus::~PrivateBus() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

void PrivateBus::stop() {
    if (m_daemon)
        m_daemon->stop();
}

FakeLogind::FakeLogind(const std::string& address)
    : m_process({"/usr/bin/python3", LUMRA_FAKE_LOGIN1, address}) {
    const auto ready = m_process.readLine(std::chrono::seconds(10));
    if (ready != "ready")
        throw std::runtime_error("the fake logind did not start");
}

void FakeLogind::prepareForSleep(bool starting) {
    command(starting ? "true" : "false");
}

void FakeLogind::prepareForSleepAsImpostor(bool starting) {
    command(starting ? "impostor-true" : "impostor-false");
}

void FakeLogind::command(const std::string& text) {
    m_process.writeLine(text);
    if (m_process.readLine(std::chrono::seconds(10)) != "sent")
        throw std::runtime_error("the fake logind did not send " + text);
}

} // namespace lumra::test
