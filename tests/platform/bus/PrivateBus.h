// Test helpers: a private D-Bus daemon in a temporary directory (never the
// system bus) and a fake logind on it, both child processes that end with
// their objects.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lumra::test {

class LineProcess {
public:
    enum class ErrorOutput { kept, discarded };
    explicit LineProcess(const std::vector<std::string>& argv,
                         ErrorOutput errors = ErrorOutput::kept);
    ~LineProcess();
    LineProcess(const LineProcess&) = delete;
    LineProcess& operator=(const LineProcess&) = delete;

    // A line of the child's standard output without its newline; nullopt at
    // the end of output or after timeout.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    void writeLine(const std::string& line);
    // SIGTERM and reap; idempotent.
    void stop();

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_buffered;
};

class PrivateBus {
public:
    // session: anyone may do anything. system: a system bus's policy (method
    // calls denied unless a destination is opened, names owned by root
    // only), with calls allowed to each of openDestinations.
    enum class Kind { session, system };

    PrivateBus() : PrivateBus(Kind::session) {}
    explicit PrivateBus(Kind kind, const std::vector<std::string>& openDestinations = {});
    ~PrivateBus();

    const std::string& address() const { return m_address; }
    const std::filesystem::path& directory() const { return m_directory; }
    // Ends the daemon; its clients lose their connections.
    void stop();

private:
    std::filesystem::path m_directory;
    std::optional<LineProcess> m_daemon;
    std::string m_address;
};

class FakeLogind {
public:
    explicit FakeLogind(const std::string& address);

    // PrepareForSleep(starting) from the owner of org.freedesktop.login1.
    void prepareForSleep(bool starting);
    // The same signal from a connection that does not own the name.
    void prepareForSleepAsImpostor(bool starting);

private:
    void command(const std::string& text);

    LineProcess m_process;
};

} // namespace lumra::test
