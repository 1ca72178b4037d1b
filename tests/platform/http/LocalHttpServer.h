// Starts http_test_server.py as a child process on 127.0.0.1 (a free port)
// and records the connection events it prints, so tests can see what
// reached the server: connections opened and closed, requests made.
#pragma once

#include "base/UniqueFd.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace lumra::test {

class LocalHttpServer {
public:
    // A long run (a soak) keeps only the newest keptEvents lines, so the
    // record does not grow with it; count() and events() see those alone.
    explicit LocalHttpServer(std::size_t keptEvents = SIZE_MAX);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int port() const noexcept { return m_port; }
    // "http://127.0.0.1:PORT" followed by pathAndQuery.
    std::string url(std::string_view pathAndQuery) const;

    // Event lines printed so far whose first word is kind ("open",
    // "request", "closed").
    std::size_t count(std::string_view kind) const;
    std::vector<std::string> events() const;
    // Waits until count(kind) reaches atLeast; false when timeout passed first.
    bool waitFor(std::string_view kind, std::size_t atLeast,
                 std::chrono::milliseconds timeout) const;

private:
    void stop();
    void readEvents();
    std::size_t countLocked(std::string_view kind) const;

    pid_t m_pid = -1;
    UniqueFd m_output;
    // Our end of the server's stdin: the server exits when it closes, even
    // if this process dies without running the destructor.
    UniqueFd m_lifeline;
    int m_port = 0;
    const std::size_t m_keptEvents;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_events;
    bool m_ended = false;
    std::thread m_reader;
};

} // namespace lumra::test
