// Test helper: an HTTP/1.1 server on 127.0.0.1 (a free port) in this
// process, answering each path as the test scripted it and recording every
// request it saw. One connection per request; a stalled answer sends its
// header and then nothing until the client leaves or the server stops.
#pragma once

#include "base/UniqueFd.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace lumra::test {

class ScriptedHttpServer {
public:
    struct Answer {
        Answer(int answerStatus = 200, std::string answerBody = {},
               std::vector<std::pair<std::string, std::string>> answerHeaders = {},
               bool stallAfterHeaders = false)
            : status(answerStatus), body(std::move(answerBody)), headers(std::move(answerHeaders)),
              stall(stallAfterHeaders) {}

        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
        bool stall = false;
    };
    struct SeenRequest {
        std::string method;
        std::string target;
        // Names in lower case.
        std::map<std::string, std::string> headers;
    };

    ScriptedHttpServer();
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    // Unscripted paths answer 404.
    void answer(std::string path, Answer answer);
    // "http://127.0.0.1:PORT" followed by path.
    std::string url(std::string_view path) const;
    int port() const noexcept { return m_port; }

    std::vector<SeenRequest> requests() const;

private:
    void acceptLoop();
    // Answers one connection and closes client.
    void serve(int client);
    Answer answerFor(const std::string& target) const;

    UniqueFd m_listener;
    // Written once when the server stops; every poll watches its read end.
    UniquePipe m_stop;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::map<std::string, Answer> m_answers;
    std::vector<SeenRequest> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

} // namespace lumra::test
