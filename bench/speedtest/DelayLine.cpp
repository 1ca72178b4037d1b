// A fixed one-way delay for the bench's router, where the kernel has no
// netem: creates a TUN device, holds every packet routed into it for the
// given time and writes it back, where policy routing sends it on. Packets
// keep their order; at most maxQueued wait at once, later ones are dropped.
//   speedtest_delay_line DEVICE MILLISECONDS
#include "base/UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <string_view>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t maxQueued = 200'000;
constexpr std::size_t maxPacket = 65'536;

struct Packet {
    Clock::time_point due;
    std::vector<char> bytes;
};

volatile std::sig_atomic_t stopping = 0;

void stop(int) {
    stopping = 1;
}

lumra::UniqueFd openTun(const char* name) {
    lumra::UniqueFd fd(::open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return fd;
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    if (::ioctl(fd.get(), TUNSETIFF, &request) != 0)
        fd.reset();
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: speedtest_delay_line DEVICE MILLISECONDS\n", stderr);
        return 2;
    }
    int milliseconds = 0;
    const std::string_view text(argv[2]);
    std::from_chars(text.data(), text.data() + text.size(), milliseconds);
    const auto delay = std::chrono::milliseconds(milliseconds);
    const lumra::UniqueFd tun = openTun(argv[1]);
    if (!tun) {
        std::perror("tun");
        return 1;
    }
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    std::puts("ready");
    std::fflush(stdout);

    const int fd = tun.get();
    std::deque<Packet> queue;
    std::vector<char> buffer(maxPacket);
    while (!stopping) {
        timespec wait{0, 100'000'000};
        if (!queue.empty()) {
            const auto left = std::max(Clock::duration::zero(), queue.front().due - Clock::now());
            const auto nanoseconds =
                std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait = timespec{static_cast<time_t>(nanoseconds / 1'000'000'000),
                            static_cast<long>(nanoseconds % 1'000'000'000)};
        }
        pollfd readable{fd, POLLIN, 0};
        if (::ppoll(&readable, 1, &wait, nullptr) < 0 && errno != EINTR)
            break;
        for (;;) {
            const ssize_t got = ::read(fd, buffer.data(), buffer.size());
            if (got <= 0)
                break;
            if (queue.size() < maxQueued)
                queue.push_back(Packet{Clock::now() + delay,
                                       std::vector<char>(buffer.begin(), buffer.begin() + got)});
        }
        const auto now = Clock::now();
        while (!queue.empty() && queue.front().due <= now) {
            // A full device queue drops the packet, as a router would.
            (void)::write(fd, queue.front().bytes.data(), queue.front().bytes.size());
            queue.pop_front();
        }
    }
    return 0;
}
