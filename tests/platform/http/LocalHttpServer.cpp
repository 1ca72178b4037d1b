#include "tests/platform/http/LocalHttpServer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumra::test {

namespace {

bool startsWithWord(std::string_view line, std::string_view word) {
    return line.starts_with(word) && (line.size() == word.size() || line[word.size()] == ' ');
}

} // namespace

LocalHttpServer::LocalHttpServer(std::size_t keptEvents)
    : m_keptEvents(std::max<std::size_t>(keptEvents, 1)) {
    UniquePipe output = openPipe(O_CLOEXEC);
    UniquePipe lifeline = openPipe(O_CLOEXEC);
    if (!output.read || !lifeline.read)
        throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, lifeline.read.get(), STDIN_FILENO);
    std::string python = LUMRA_PYTHON3;
    std::string script = LUMRA_HTTP_TEST_SERVER;
    char* argv[] = {python.data(), script.data(), nullptr};
    const int spawned = ::posix_spawn(&m_pid, python.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start the test server");
    }
    m_lifeline = std::move(lifeline.write);
    m_output = std::move(output.read);
    m_reader = std::thread([this] { readEvents(); });

    std::unique_lock lock(m_mutex);
    const bool started = m_changed.wait_for(lock, std::chrono::seconds(20),
                                            [&] { return m_ended || countLocked("port") > 0; });
    if (!started || m_ended) {
        lock.unlock();
        stop();
        throw std::runtime_error("the test server did not report its port");
    }
    const std::string& line = m_events.front();
    std::from_chars(line.data() + 5, line.data() + line.size(), m_port);
}

LocalHttpServer::~LocalHttpServer() {
    stop();
}

void LocalHttpServer::stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
    m_lifeline.reset();
    if (m_reader.joinable())
        m_reader.join();
    m_output.reset();
}

std::string LocalHttpServer::url(std::string_view pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(pathAndQuery);
}

std::size_t LocalHttpServer::count(std::string_view kind) const {
    std::lock_guard lock(m_mutex);
    return countLocked(kind);
}

std::size_t LocalHttpServer::countLocked(std::string_view kind) const {
    std::size_t n = 0;
    for (const std::string& line : m_events)
        n += startsWithWord(line, kind) ? 1 : 0;
    return n;
}

std::vector<std::string> LocalHttpServer::events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

bool LocalHttpServer::waitFor(std::string_view kind, std::size_t atLeast,
                              std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return countLocked(kind) >= atLeast; });
}

void LocalHttpServer::readEvents() {
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_output.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            {
                std::lock_guard lock(m_mutex);
                m_events.push_back(pending.substr(0, newline));
                if (m_events.size() > m_keptEvents)
                    m_events.erase(m_events.begin());
            }
            m_changed.notify_all();
            pending.erase(0, newline + 1);
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

} // namespace lumra::test
