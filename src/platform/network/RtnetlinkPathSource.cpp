#include "platform/network/RtnetlinkPathSource.h"

#include "base/DiagnosticLog.h"
#include "base/UniqueFd.h"
#include "concurrency/Runtime.h"
#include "platform/network/InterfaceTypeClassifier.h"
#include "platform/network/RtnetlinkDump.h"

#include <atomic>
#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace lumra {

namespace {

constexpr unsigned subscribedGroups =
    RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;

// Empty when the kernel refuses: the path is then read once and not followed.
UniqueFd openSubscribedSocket() {
    UniqueFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE));
    if (fd) {
        sockaddr_nl local{};
        local.nl_family = AF_NETLINK;
        local.nl_groups = subscribedGroups;
        if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0)
            return fd;
    }
    const int error = errno;
    LUMRA_LOG("network",
              "no route events, the path is read once: " + std::generic_category().message(error));
    return UniqueFd();
}

// Shared by the monitor handle, the I/O-thread watch and the queue's jobs.
struct MonitorState {
    std::string netRoot;
    NetworkPathSourcing::PathHandler onPath;  // queue only
    std::optional<NetworkPath> lastDelivered; // queue only
    std::atomic<bool> cancelled{false};
    std::atomic<bool> computePending{false};
    std::mutex mutex;
    Executor* queue = nullptr; // guarded by mutex; null once cancelled
    UniqueFd fd;               // I/O thread only after start
    IoThread::WatchId watchId = 0;

    // Any thread. One computation is queued at a time; events that arrive
    // while it runs queue the next.
    static void scheduleCompute(const std::shared_ptr<MonitorState>& self) {
        if (self->computePending.exchange(true))
            return;
        // Held across the post only, so cancel() cannot return while a post
        // to a queue that is about to go away is under way.
        std::lock_guard lock(self->mutex);
        if (self->queue != nullptr)
            self->queue->post([self] { self->compute(); });
    }

    // I/O thread: the burst's contents do not matter, only that it came.
    static void drain(const std::shared_ptr<MonitorState>& self) {
        char buffer[8192];
        for (;;) {
            const ssize_t received = ::recv(self->fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (received > 0 || (received < 0 && (errno == EINTR || errno == ENOBUFS)))
                continue; // ENOBUFS: events were lost, and the dump reads them anyway
            break;
        }
        scheduleCompute(self);
    }

    void stopWatching() {
        if (!fd)
            return;
        ioThread().unwatch(watchId);
        fd.reset();
    }

    // The monitor's queue.
    void compute() {
        computePending.store(false);
        if (cancelled.load())
            return;
        const auto facts = dumpRoutingFacts();
        if (!facts)
            return; // the next event tries again
        const NetworkPath path = evaluateNetworkPath(*facts, [this](const LinkFacts& link) {
            return classifyInterfaceType(link.hardwareType,
                                         readInterfaceSysfsFacts(netRoot, link.name));
        });
        if (cancelled.load() || lastDelivered == path)
            return;
        lastDelivered = path;
        if (onPath)
            onPath(path);
    }
};

class RtnetlinkPathMonitor final : public NetworkPathMonitoring {
public:
    explicit RtnetlinkPathMonitor(std::shared_ptr<MonitorState> state)
        : m_state(std::move(state)) {}
    ~RtnetlinkPathMonitor() override { cancel(); }
    RtnetlinkPathMonitor(const RtnetlinkPathMonitor&) = delete;
    RtnetlinkPathMonitor& operator=(const RtnetlinkPathMonitor&) = delete;

    void cancel() override {
        if (m_state->cancelled.exchange(true))
            return;
        {
            std::lock_guard lock(m_state->mutex);
            m_state->queue = nullptr;
        }
        // With the I/O thread gone the state's end closes the socket.
        if (Runtime::currentOrNull() != nullptr)
            ioThread().post([state = m_state] { state->stopWatching(); });
    }

private:
    std::shared_ptr<MonitorState> m_state;
};

} // namespace

RtnetlinkPathSource::RtnetlinkPathSource(std::string netRoot) : m_netRoot(std::move(netRoot)) {}

std::shared_ptr<NetworkPathMonitoring> RtnetlinkPathSource::startMonitor(Executor& queue,
                                                                         PathHandler onPath) {
    auto state = std::make_shared<MonitorState>();
    state->netRoot = m_netRoot;
    state->onPath = std::move(onPath);
    state->queue = &queue;
    // Subscribe before the first dump, so no change falls between the two.
    state->fd = openSubscribedSocket();
    if (state->fd) {
        state->watchId = ioThread().watch(state->fd.get(), POLLIN,
                                          [state](short) { MonitorState::drain(state); });
    }
    MonitorState::scheduleCompute(state);
    return std::make_shared<RtnetlinkPathMonitor>(std::move(state));
}

} // namespace lumra
