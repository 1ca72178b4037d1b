// The speed-test service of the bench: HTTP/1.1 with keep-alive, one thread
// per connection. GET /__down?bytes=N sends N zero bytes; POST /__up reads
// the Content-Length body and answers 200 with an empty body; anything else
// is 404. Prints "port N" once it listens.
//   speedtest_bench_server ADDRESS PORT [CONGESTION_CONTROL]
// With a congestion control (such as cubic) every connection sends with it:
// a network namespace cannot change its default, a socket can (as root).
#include "base/UniqueFd.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fmt/format.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t zeroBlockSize = 1 << 20;
const char zeroBlock[zeroBlockSize] = {};

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

std::optional<std::uint64_t> numberAfter(std::string_view text, std::string_view key) {
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    const char* begin = text.data() + at + key.size();
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    if (error != std::errc() || end == begin)
        return std::nullopt;
    return value;
}

std::uint64_t contentLength(std::string_view head) {
    for (const std::string_view key : {"\r\nContent-Length: ", "\r\ncontent-length: "}) {
        if (auto length = numberAfter(head, key))
            return *length;
    }
    return 0;
}

// Serves requests until the client closes or sends something unusable.
void serve(int client) {
    const lumra::UniqueFd owned(client);
    const int fd = owned.get();
    std::string buffer;
    char chunk[64 * 1024];
    for (;;) {
        std::size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got <= 0)
                return;
            buffer.append(chunk, static_cast<std::size_t>(got));
        }
        const std::string head = buffer.substr(0, headEnd + 2);
        buffer.erase(0, headEnd + 4);
        std::uint64_t unread = contentLength(head);
        const std::uint64_t buffered = std::min<std::uint64_t>(unread, buffer.size());
        buffer.erase(0, buffered);
        unread -= buffered;
        while (unread > 0) {
            const ssize_t got = ::recv(fd, chunk, std::min<std::uint64_t>(sizeof chunk, unread), 0);
            if (got <= 0)
                return;
            unread -= static_cast<std::uint64_t>(got);
        }
        bool ok = true;
        if (head.starts_with("GET /__down?")) {
            std::uint64_t remaining = numberAfter(head, "bytes=").value_or(0);
            const std::string header =
                fmt::format("HTTP/1.1 200 OK\r\nContent-Length: {}\r\nCache-Control: no-store\r\n"
                            "Content-Type: application/octet-stream\r\n\r\n",
                            remaining);
            ok = sendAll(fd, header.data(), header.size());
            while (ok && remaining > 0) {
                const std::size_t piece = std::min<std::uint64_t>(remaining, zeroBlockSize);
                ok = sendAll(fd, zeroBlock, piece);
                remaining -= piece;
            }
        } else if (head.starts_with("POST /__up ")) {
            const std::string_view answer = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
            ok = sendAll(fd, answer.data(), answer.size());
        } else {
            const std::string_view answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
            ok = sendAll(fd, answer.data(), answer.size());
        }
        if (!ok)
            break;
    }
}

void useCongestionControl(int fd, const std::string& name) {
    if (!name.empty() &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_CONGESTION, name.data(), name.size()) != 0)
        std::perror("TCP_CONGESTION");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: speedtest_bench_server ADDRESS PORT [CONGESTION_CONTROL]\n", stderr);
        return 2;
    }
    const std::string congestion = argc > 3 ? argv[3] : "";
    const lumra::UniqueFd listening(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int listener = listening.get();
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    useCongestionControl(listener, congestion);
    std::uint16_t port = 0;
    const std::string_view portText(argv[2]);
    std::from_chars(portText.data(), portText.data() + portText.size(), port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, argv[1], &address.sin_addr) != 1 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0) {
        std::perror("listen");
        return 1;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    fmt::print("port {}\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        useCongestionControl(fd, congestion);
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::thread(serve, fd).detach();
    }
}
