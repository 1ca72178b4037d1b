// dig's lookup over UDP (and TCP for a truncated reply).
#include "systool/DigCommand.h"

#include "base/UniqueFd.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <fmt/format.h>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumra {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxServers = 3;
constexpr unsigned kLongestWait = 86400;
constexpr std::uint16_t kTypeA = 1;

std::optional<unsigned> optionValue(std::string_view argument, std::string_view prefix) {
    if (argument.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    const std::string_view digits = argument.substr(prefix.size());
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

std::optional<SocketAddress> socketAddress(const NameServer& server) {
    SocketAddress out;
    std::string host = server.address;
    std::uint32_t scope = 0;
    if (const auto percent = host.find('%'); percent != std::string::npos) {
        scope = if_nametoindex(host.c_str() + percent + 1);
        if (scope == 0) {
            return std::nullopt;
        }
        host.resize(percent);
    }
    auto* v4 = reinterpret_cast<sockaddr_in*>(&out.storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&out.storage);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1 && scope == 0) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(server.port);
        out.length = sizeof(sockaddr_in);
        return out;
    }
    if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(server.port);
        v6->sin6_scope_id = scope;
        out.length = sizeof(sockaddr_in6);
        return out;
    }
    return std::nullopt;
}

std::string errorText(int error) {
    switch (error) {
    case ECONNREFUSED:
        return "connection refused";
    case ENETUNREACH:
        return "network unreachable";
    case EHOSTUNREACH:
        return "host unreachable";
    case ETIMEDOUT:
        return "timed out";
    case EADDRNOTAVAIL:
        return "address not available";
    case ECONNRESET:
        return "connection reset";
    default:
        return fmt::format("error {}", error);
    }
}

std::uint16_t randomId() {
    std::uint16_t id = 0;
    if (getrandom(&id, sizeof id, 0) != static_cast<ssize_t>(sizeof id)) {
        id = static_cast<std::uint16_t>(Clock::now().time_since_epoch().count());
    }
    return id;
}

enum class Outcome { reply, setupFailed, failed };

struct Exchange {
    Outcome outcome = Outcome::failed;
    int error = ETIMEDOUT;
    std::string wire;
    dns::Message message;
    std::chrono::microseconds elapsed{0};
    std::string notes; // dig's warnings on the way
};

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

std::optional<std::chrono::system_clock::time_point> receiveStamp(msghdr& header) {
    for (cmsghdr* part = CMSG_FIRSTHDR(&header); part != nullptr;
         part = CMSG_NXTHDR(&header, part)) {
        if (part->cmsg_level == SOL_SOCKET && part->cmsg_type == SCM_TIMESTAMPNS) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(part), sizeof stamp);
            return std::chrono::system_clock::time_point(
                std::chrono::duration_cast<std::chrono::system_clock::duration>(
                    std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
        }
    }
    return std::nullopt;
}

// One query and the wait for its reply; replies with another id or without
// the reply flag are passed over, as dig does.
Exchange udpExchange(const SocketAddress& address, const std::string& query, std::uint16_t id,
                     std::chrono::seconds wait) {
    Exchange exchange;
    UniqueFd socket(::socket(address.storage.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0 ||
        ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address.storage),
                  address.length) != 0) {
        exchange.outcome = Outcome::setupFailed;
        exchange.error = errno;
        return exchange;
    }
    // The reply's arrival is the kernel's receive stamp, so a late wake-up
    // on a busy machine does not count as query time.
    const int on = 1;
    ::setsockopt(socket.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    const auto sent = Clock::now();
    const auto sentWall = std::chrono::system_clock::now();
    if (::send(socket.get(), query.data(), query.size(), 0) < 0) {
        exchange.outcome = Outcome::setupFailed;
        exchange.error = errno;
        return exchange;
    }
    const auto deadline = sent + wait;
    char buffer[65536];
    while (waitFor(socket.get(), POLLIN, deadline)) {
        iovec part{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))] = {};
        msghdr header{};
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(socket.get(), &header, 0);
        auto elapsed = Clock::now() - sent;
        if (size < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            exchange.error = errno;
            return exchange;
        }
        std::string_view wire(buffer, static_cast<std::size_t>(size));
        auto message = dns::decodeMessage(wire);
        if (!message) {
            exchange.notes += ";; Got bad packet: FORMERR\n";
            continue;
        }
        if ((message->flags & 0x8000) == 0) {
            continue;
        }
        if (message->id != id) {
            exchange.notes +=
                fmt::format(";; Warning: ID mismatch: expected ID {}, got {}\n", id, message->id);
            continue;
        }
        if (const auto stamp = receiveStamp(header)) {
            elapsed =
                std::clamp<Clock::duration>(*stamp - sentWall, Clock::duration::zero(), elapsed);
        }
        exchange.outcome = Outcome::reply;
        exchange.wire = std::string(wire);
        exchange.message = std::move(*message);
        exchange.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(elapsed);
        return exchange;
    }
    exchange.error = ETIMEDOUT;
    return exchange;
}

bool readFully(int fd, char* data, std::size_t size, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
        if (!waitFor(fd, POLLIN, deadline)) {
            errno = ETIMEDOUT;
            return false;
        }
        const ssize_t n = ::recv(fd, data + done, size - done, 0);
        if (n == 0) {
            errno = ECONNRESET;
            return false;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN) {
            return false;
        }
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return true;
}

Exchange tcpExchange(const SocketAddress& address, const std::string& query, std::uint16_t id,
                     std::chrono::seconds wait) {
    Exchange exchange;
    UniqueFd socket(
        ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const auto sent = Clock::now();
    const auto deadline = sent + wait;
    if (socket.get() < 0) {
        exchange.error = errno;
        return exchange;
    }
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address.storage),
                  address.length) != 0) {
        if (errno != EINPROGRESS) {
            exchange.error = errno;
            return exchange;
        }
        if (!waitFor(socket.get(), POLLOUT, deadline)) {
            return exchange;
        }
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            exchange.error = error;
            return exchange;
        }
    }
    std::string framed;
    framed += static_cast<char>(query.size() >> 8);
    framed += static_cast<char>(query.size() & 0xff);
    framed += query;
    if (::send(socket.get(), framed.data(), framed.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(framed.size())) {
        exchange.error = errno;
        return exchange;
    }
    unsigned char prefix[2] = {};
    if (!readFully(socket.get(), reinterpret_cast<char*>(prefix), 2, deadline)) {
        exchange.error = errno;
        return exchange;
    }
    std::string wire(static_cast<std::size_t>(prefix[0] << 8 | prefix[1]), '\0');
    if (!readFully(socket.get(), wire.data(), wire.size(), deadline)) {
        exchange.error = errno;
        return exchange;
    }
    auto message = dns::decodeMessage(wire);
    if (!message || message->id != id) {
        exchange.error = EPROTO;
        return exchange;
    }
    exchange.outcome = Outcome::reply;
    exchange.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent);
    exchange.wire = std::move(wire);
    exchange.message = std::move(*message);
    return exchange;
}

std::string whenText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64] = {};
    std::strftime(buffer, sizeof buffer, "%a %b %d %H:%M:%S %Z %Y", &local);
    return buffer;
}

std::string commandHeader(const std::vector<std::string>& arguments) {
    std::string line = "\n; <<>> DiG (lumra-systool) <<>>";
    for (const std::string& argument : arguments) {
        line += " " + argument;
    }
    return line + "\n;; global options: +cmd\n";
}

} // namespace

std::variant<DigOptions, DigUsageError>
parseDigArguments(const std::vector<std::string>& arguments) {
    DigOptions options;
    bool named = false;
    for (const std::string& argument : arguments) {
        if (const auto time = optionValue(argument, "+time=")) {
            options.timeSeconds = std::clamp(*time, 1u, kLongestWait);
        } else if (const auto tries = optionValue(argument, "+tries=")) {
            options.tries = std::clamp(*tries, 1u, 100u);
        } else if (!named && !argument.empty() && argument[0] != '+' && argument[0] != '-' &&
                   argument[0] != '@') {
            named = true;
            options.nameText = argument;
        } else {
            return DigUsageError{64, {}};
        }
    }
    if (!named) {
        return DigUsageError{64, {}};
    }
    auto name = dns::parseName(options.nameText);
    if (auto* reason = std::get_if<std::string>(&name)) {
        return DigUsageError{
            10, fmt::format("dig: '{}' is not a legal name ({})\n", options.nameText, *reason)};
    }
    options.name = std::get<dns::Name>(std::move(name));
    return options;
}

std::vector<NameServer> parseResolvConf(std::string_view text) {
    std::vector<NameServer> servers;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        auto field = [&line]() {
            const std::size_t start = line.find_first_not_of(" \t\r");
            if (start == std::string_view::npos) {
                line = {};
                return std::string_view();
            }
            line.remove_prefix(start);
            const std::size_t stop = line.find_first_of(" \t\r");
            const std::string_view word = line.substr(0, stop);
            line = stop == std::string_view::npos ? std::string_view() : line.substr(stop);
            return word;
        };
        if (field() != "nameserver" || servers.size() == kMaxServers) {
            continue;
        }
        const NameServer server{std::string(field()), 53};
        if (!server.address.empty() && server.address[0] != '#' && server.address[0] != ';' &&
            socketAddress(server)) {
            servers.push_back(server);
        }
    }
    if (servers.empty()) {
        servers = {{"127.0.0.1", 53}, {"::1", 53}};
    }
    return servers;
}

std::string serverText(const NameServer& server) {
    return fmt::format("{}#{}({})", server.address, server.port, server.address);
}

DigRun runDigLookup(const std::vector<std::string>& arguments, const DigOptions& options,
                    const std::vector<NameServer>& servers) {
    DigRun run;
    std::string notes;
    bool headerShown = false;
    const auto wait = std::chrono::seconds(options.timeSeconds);
    for (const NameServer& server : servers) {
        const auto address = socketAddress(server);
        if (!address) {
            continue;
        }
        Exchange exchange;
        for (unsigned attempt = 0; attempt < options.tries; ++attempt) {
            const std::uint16_t id = randomId();
            const std::string query = dns::encodeQuery(id, options.name, kTypeA);
            exchange = udpExchange(*address, query, id, wait);
            notes += exchange.notes;
            if (exchange.outcome == Outcome::reply && (exchange.message.flags & 0x0200) != 0) {
                notes += ";; Truncated, retrying in TCP mode.\n";
                exchange = tcpExchange(*address, query, id, wait);
            }
            if (exchange.outcome != Outcome::failed || exchange.error != ETIMEDOUT) {
                break;
            }
        }
        if (exchange.outcome == Outcome::setupFailed) {
            run.output +=
                fmt::format(";; UDP setup with {} for {} failed: {}.\n", serverText(server),
                            options.nameText, errorText(exchange.error));
            continue;
        }
        if (exchange.outcome == Outcome::failed) {
            run.output += fmt::format(";; communications error to {}#{}: {}\n", server.address,
                                      server.port, errorText(exchange.error));
            headerShown = true;
            continue;
        }
        run.output += notes + commandHeader(arguments) + dns::formatReply(exchange.message);
        run.output += fmt::format(";; Query time: {} msec\n", exchange.elapsed.count() / 1000);
        run.output += fmt::format(
            ";; SERVER: {} ({})\n", serverText(server),
            exchange.wire.size() > 0 && notes.find("TCP mode") != std::string::npos ? "TCP"
                                                                                    : "UDP");
        run.output += fmt::format(";; WHEN: {}\n", whenText());
        run.output += fmt::format(";; MSG SIZE  rcvd: {}\n\n", exchange.wire.size());
        run.exitCode = 0;
        return run;
    }
    if (headerShown) {
        run.output += commandHeader(arguments);
    }
    run.output += notes + ";; no servers could be reached\n";
    run.exitCode = 9;
    return run;
}

} // namespace lumra
