// ICMP echo over SOCK_DGRAM/IPPROTO_ICMP: the kernel fills in the id and
// the checksum and hands back only this socket's replies.
#include "systool/IcmpPing.h"

#include "base/UniqueFd.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fmt/format.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace lumra {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr std::size_t kPayload = 56;
constexpr auto kInterval = std::chrono::seconds(1);

// Lines show at once on a terminal. Into a pipe they go at exit in one
// write: the reader collects the whole output anyway, and each write would
// wake it.
void printLine(const std::string& line) {
    static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    std::fwrite(line.data(), 1, line.size(), stdout);
    if (terminal) {
        std::fflush(stdout);
    }
}

std::string unreachableText(std::uint8_t type, std::uint8_t code) {
    if (type == ICMP_DEST_UNREACH) {
        switch (code) {
        case ICMP_NET_UNREACH:
            return "Destination Net Unreachable";
        case ICMP_HOST_UNREACH:
            return "Destination Host Unreachable";
        case ICMP_PROT_UNREACH:
            return "Destination Protocol Unreachable";
        case ICMP_PORT_UNREACH:
            return "Destination Port Unreachable";
        case ICMP_NET_ANO:
        case ICMP_HOST_ANO:
        case ICMP_PKT_FILTERED:
            return "Packet filtered";
        default:
            return fmt::format("Dest Unreachable, Bad Code: {}", code);
        }
    }
    if (type == ICMP_TIME_EXCEEDED) {
        return code == 0 ? "Time to live exceeded" : "Frag reassembly time exceeded";
    }
    return fmt::format("Bad ICMP type: {}", type);
}

struct Statistics {
    long transmitted = 0;
    long received = 0;
    long duplicates = 0;
    long errors = 0;
    long long sum = 0;
    long long sumOfSquares = 0;
    long long minimum = 0;
    long long maximum = 0;
    // Most echoes in flight when one was answered (iputils' "pipe").
    long pipe = 0;
};

std::string microsText(long long value) {
    return fmt::format("{}.{:03}", value / 1000, value % 1000);
}

std::string statisticsText(const std::string& host, const Statistics& s,
                           std::chrono::milliseconds took) {
    std::string out = fmt::format("\n--- {} ping statistics ---\n", host);
    out += fmt::format("{} packets transmitted, {} received", s.transmitted, s.received);
    if (s.duplicates > 0) {
        out += fmt::format(", +{} duplicates", s.duplicates);
    }
    if (s.errors > 0) {
        out += fmt::format(", +{} errors", s.errors);
    }
    if (s.transmitted > 0) {
        const auto loss = static_cast<float>(static_cast<double>(s.transmitted - s.received) *
                                             100.0 / s.transmitted);
        out += fmt::format(", {:g}% packet loss", loss);
    }
    out += fmt::format(", time {}ms\n", took.count());
    const long samples = s.received + s.duplicates;
    std::string comma;
    if (samples > 0) {
        const long long average = s.sum / samples;
        const long long variance = s.sumOfSquares / samples - average * average;
        const auto deviation =
            static_cast<long long>(std::sqrt(static_cast<double>(std::max(variance, 0LL))));
        out += fmt::format("rtt min/avg/max/mdev = {}/{}/{}/{} ms", microsText(s.minimum),
                           microsText(average), microsText(s.maximum), microsText(deviation));
        comma = ", ";
    }
    if (s.pipe > 1) {
        out += fmt::format("{}pipe {}", comma, s.pipe);
    }
    return out + "\n";
}

} // namespace

std::string roundTripText(microseconds time) {
    const long long us = time.count();
    if (us >= 100000 - 50) {
        return fmt::format("{}", (us + 500) / 1000);
    }
    if (us >= 10000 - 5) {
        return fmt::format("{}.{:01}", (us + 50) / 1000, ((us + 50) % 1000) / 100);
    }
    if (us >= 1000) {
        return fmt::format("{}.{:02}", (us + 5) / 1000, ((us + 5) % 1000) / 10);
    }
    return fmt::format("{}.{:03}", us / 1000, us % 1000);
}

std::optional<int> pingOverDatagramSocket(const IcmpPingRequest& request) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    if (inet_pton(AF_INET, request.host.c_str(), &target.sin_addr) != 1) {
        return std::nullopt;
    }
    UniqueFd icmp(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (icmp.get() < 0) {
        return std::nullopt;
    }
    {
        // As iputils does: a route to the host must exist before anything
        // is sent.
        UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in port = target;
        port.sin_port = htons(1025);
        if (probe.get() < 0 ||
            ::connect(probe.get(), reinterpret_cast<sockaddr*>(&port), sizeof port) != 0) {
            std::fprintf(stderr, "ping: connect: %s\n", std::strerror(errno));
            return 2;
        }
    }
    const int on = 1;
    ::setsockopt(icmp.get(), IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
    ::setsockopt(icmp.get(), IPPROTO_IP, IP_RECVERR, &on, sizeof on);

    printLine(fmt::format("PING {} ({}) {}({}) bytes of data.\n", request.host, request.host,
                          kPayload, kPayload + 28));
    Statistics stats;
    const auto start = Clock::now();
    auto lastEvent = start;
    auto lastSend = start;
    std::vector<Clock::time_point> sentAt;
    std::vector<bool> answered;
    const long count = std::max(request.count, 1L);

    auto send = [&](long sequence) {
        std::array<std::uint8_t, sizeof(icmphdr) + kPayload> packet{};
        auto* header = reinterpret_cast<icmphdr*>(packet.data());
        header->type = ICMP_ECHO;
        header->un.echo.sequence = htons(static_cast<std::uint16_t>(sequence));
        for (std::size_t i = 16; i < kPayload; ++i) {
            packet[sizeof(icmphdr) + i] = static_cast<std::uint8_t>(i);
        }
        lastSend = lastEvent = Clock::now();
        sentAt.push_back(lastSend);
        answered.push_back(false);
        ++stats.transmitted;
        if (::sendto(icmp.get(), packet.data(), packet.size(), 0,
                     reinterpret_cast<sockaddr*>(&target), sizeof target) < 0) {
            ++stats.errors;
            printLine(fmt::format("ping: sendmsg: {}\n", std::strerror(errno)));
        }
    };

    auto receive = [&] {
        std::array<std::uint8_t, 4096> buffer{};
        alignas(cmsghdr) char control[512] = {};
        sockaddr_in from{};
        iovec chunk{buffer.data(), buffer.size()};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &chunk;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(icmp.get(), &message, MSG_DONTWAIT);
        if (size < static_cast<ssize_t>(sizeof(icmphdr))) {
            return false;
        }
        const auto now = Clock::now();
        const auto* header = reinterpret_cast<const icmphdr*>(buffer.data());
        const long sequence = ntohs(header->un.echo.sequence);
        if (header->type != ICMP_ECHOREPLY || sequence < 1 ||
            sequence > static_cast<long>(sentAt.size())) {
            return true;
        }
        int ttl = -1;
        for (cmsghdr* part = CMSG_FIRSTHDR(&message); part != nullptr;
             part = CMSG_NXTHDR(&message, part)) {
            if (part->cmsg_level == IPPROTO_IP && part->cmsg_type == IP_TTL) {
                std::memcpy(&ttl, CMSG_DATA(part), sizeof ttl);
            }
        }
        lastEvent = now;
        stats.pipe = std::max(stats.pipe, stats.transmitted - sequence + 1);
        const auto trip = std::chrono::duration_cast<microseconds>(
            now - sentAt[static_cast<std::size_t>(sequence - 1)]);
        const bool duplicate = answered[static_cast<std::size_t>(sequence - 1)];
        answered[static_cast<std::size_t>(sequence - 1)] = true;
        const long long us = trip.count();
        if (duplicate) {
            ++stats.duplicates;
        } else {
            ++stats.received;
        }
        if (stats.received + stats.duplicates == 1) {
            stats.minimum = stats.maximum = us;
        }
        stats.minimum = std::min(stats.minimum, us);
        stats.maximum = std::max(stats.maximum, us);
        stats.sum += us;
        stats.sumOfSquares += us * us;
        char address[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
        printLine(fmt::format("{} bytes from {}: icmp_seq={} ttl={} time={} ms{}\n", size, address,
                              sequence, ttl, roundTripText(trip), duplicate ? " (DUP!)" : ""));
        return true;
    };

    auto receiveError = [&] {
        std::array<std::uint8_t, 512> buffer{};
        alignas(cmsghdr) char control[512] = {};
        iovec chunk{buffer.data(), buffer.size()};
        msghdr message{};
        message.msg_iov = &chunk;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (::recvmsg(icmp.get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
            return false;
        }
        for (cmsghdr* part = CMSG_FIRSTHDR(&message); part != nullptr;
             part = CMSG_NXTHDR(&message, part)) {
            if (part->cmsg_level != IPPROTO_IP || part->cmsg_type != IP_RECVERR) {
                continue;
            }
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(part), sizeof error);
            if (error.ee_origin != SO_EE_ORIGIN_ICMP) {
                continue;
            }
            sockaddr_in offender{};
            std::memcpy(&offender,
                        SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(part))),
                        sizeof offender);
            const auto* sent = reinterpret_cast<const icmphdr*>(buffer.data());
            char address[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &offender.sin_addr, address, sizeof address);
            ++stats.errors;
            lastEvent = Clock::now();
            stats.pipe =
                std::max(stats.pipe, stats.transmitted - ntohs(sent->un.echo.sequence) + 1L);
            printLine(fmt::format("From {} icmp_seq={} {}\n", address,
                                  ntohs(sent->un.echo.sequence),
                                  unreachableText(error.ee_type, error.ee_code)));
        }
        return true;
    };

    long next = 1;
    while (true) {
        if (next <= count && Clock::now() >= start + (next - 1) * kInterval) {
            send(next++);
        }
        if (stats.received + stats.errors >= count) {
            break;
        }
        Clock::time_point until;
        if (next <= count) {
            until = start + (next - 1) * kInterval;
        } else if (stats.received > 0) {
            until =
                lastSend + std::max<Clock::duration>(2 * microseconds(stats.maximum), kInterval);
        } else {
            until = lastSend + request.wait;
        }
        const auto now = Clock::now();
        if (now >= until) {
            if (next > count) {
                break;
            }
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
        pollfd entry{icmp.get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            if ((entry.revents & POLLERR) != 0) {
                while (receiveError()) {
                }
            }
            while (receive()) {
            }
        }
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        lastEvent - start + std::chrono::microseconds(500));
    printLine(statisticsText(request.host, stats, took));
    return stats.received > 0 ? 0 : 1;
}

} // namespace lumra
