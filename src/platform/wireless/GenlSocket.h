// One generic-netlink socket for one call on one thread: requests and dumps
// with bounded waits, and notifications of a multicast group. Replies are
// taken only from the kernel and only for the request's own sequence number.
#pragma once

#include "platform/wireless/Nl80211Messages.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct nl_msg;
struct nl_sock;
struct nlmsghdr;

namespace lumra {

struct NlMessageDeleter {
    void operator()(nl_msg* message) const noexcept;
};
using NlMessage = std::unique_ptr<nl_msg, NlMessageDeleter>;

class GenlSocket {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    using MessageHandler = std::function<void(const nlmsghdr*)>;
    using EventHandler = std::function<bool(const nlmsghdr*)>;

    struct Outcome {
        // 0, or the positive errno of the kernel's answer; ETIMEDOUT when the
        // deadline passed first.
        int error = 0;
        // A dump that changed while it was read (NLM_F_DUMP_INTR).
        bool interrupted = false;
    };

    // Throws WirelessError when no socket can be made.
    GenlSocket();
    GenlSocket(GenlSocket&&) noexcept = default;
    GenlSocket& operator=(GenlSocket&&) noexcept = default;

    // A generic-netlink message for the family; flags such as NLM_F_DUMP.
    // Throws WirelessError(ENOMEM).
    static NlMessage makeMessage(std::uint16_t family, int flags, std::uint8_t command);

    // Sends the message and hands each reply to onReply until the kernel's
    // acknowledgement, or the end of a dump.
    Outcome transact(nl_msg* message, const MessageHandler& onReply, Deadline deadline);

    // The family of that name; none when the kernel has no such family.
    // Throws WirelessError for any other failure.
    std::optional<GenlFamilyInfo> resolveFamily(const std::string& name, Deadline deadline);

    // Throws WirelessError.
    void joinGroup(std::uint32_t group);

    // Hands group notifications, those that came in during requests first,
    // to onEvent until it returns true (then true). False at the deadline,
    // when notifications were lost to a full socket buffer, or as soon as
    // wakeFd (when given) is readable.
    bool awaitEvent(const EventHandler& onEvent, Deadline deadline, int wakeFd = -1);

private:
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        bool isMulticast = false;
    };

    // 0 with a datagram from the kernel, or a positive errno.
    // EINTR when wakeFd became readable first.
    int receive(Datagram& datagram, Deadline deadline, int wakeFd = -1);
    void keepEvents(const Datagram& datagram);

    struct SocketDeleter {
        void operator()(nl_sock* socket) const noexcept;
    };

    std::unique_ptr<nl_sock, SocketDeleter> m_socket;
    bool m_hasJoinedGroup = false;
    std::deque<std::vector<std::uint8_t>> m_pendingEvents;
};

} // namespace lumra
