#include "ScriptedHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra::test {

namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return; // the client left
        sent += static_cast<std::size_t>(n);
    }
}

ScriptedHttpServer::SeenRequest parseHead(const std::string& head) {
    ScriptedHttpServer::SeenRequest request;
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    std::istringstream requestLine(line);
    requestLine >> request.method >> request.target;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        request.headers[lowercased(line.substr(0, colon))] = value;
    }
    return request;
}

} // namespace

ScriptedHttpServer::ScriptedHttpServer() {
    m_stop = openPipe(O_CLOEXEC);
    if (!m_stop.read)
        throw std::runtime_error("pipe2 failed");
    m_listener.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!m_listener ||
        ::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener.get(), 16) != 0 ||
        ::getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    const char stop = 's';
    [[maybe_unused]] auto written = ::write(m_stop.write.get(), &stop, 1);
    m_acceptor.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_mutex);
        connections = std::move(m_connections);
    }
    for (auto& connection : connections)
        connection.join();
}

void ScriptedHttpServer::answer(std::string path, Answer answer) {
    std::lock_guard lock(m_mutex);
    m_answers[std::move(path)] = std::move(answer);
}

std::string ScriptedHttpServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::vector<ScriptedHttpServer::SeenRequest> ScriptedHttpServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void ScriptedHttpServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{m_listener.get(), POLLIN, 0}, {m_stop.read.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            return;
        const int client = ::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, client] { serve(client); });
    }
}

ScriptedHttpServer::Answer ScriptedHttpServer::answerFor(const std::string& target) const {
    const std::string path = target.substr(0, target.find('?'));
    std::lock_guard lock(m_mutex);
    const auto found = m_answers.find(path);
    if (found == m_answers.end())
        return Answer{404, "not found", {}, false};
    return found->second;
}

void ScriptedHttpServer::serve(int client) {
    const UniqueFd owned(client);
    std::string head;
    char chunk[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        pollfd fds[2] = {{client, POLLIN, 0}, {m_stop.read.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0 || fds[1].revents != 0)
            break;
        const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        head.append(chunk, static_cast<std::size_t>(n));
    }
    if (head.find("\r\n\r\n") == std::string::npos)
        return;
    const SeenRequest request = parseHead(head);
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }

    const Answer answer = answerFor(request.target);
    std::string response = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\n";
    const std::size_t promised = answer.stall ? answer.body.size() + 1000 : answer.body.size();
    response += "Content-Length: " + std::to_string(promised) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : answer.headers)
        response += name + ": " + value + "\r\n";
    response += "\r\n" + answer.body;
    sendAll(client, response);
    if (answer.stall) {
        // Nothing more until the client gives up or the server stops.
        for (;;) {
            pollfd fds[2] = {{client, POLLIN, 0}, {m_stop.read.get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) <= 0 || fds[1].revents != 0)
                break;
            if (::recv(client, chunk, sizeof chunk, 0) <= 0)
                break;
        }
    }
    ::shutdown(client, SHUT_WR);
}

} // namespace lumra::test
