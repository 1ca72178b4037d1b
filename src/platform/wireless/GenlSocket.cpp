#include "platform/wireless/GenlSocket.h"

#include "base/NetlinkPayload.h"
#include "platform/wireless/WirelessError.h"

#include <cerrno>
#include <cstring>
#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/socket.h>
#include <poll.h>
#include <sys/socket.h>

namespace lumra {

namespace {

int lastErrorOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

int pollTimeoutMs(GenlSocket::Deadline deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    // Rounded up, so a wait never ends just before its deadline.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 60'000 ? 60'000 : static_cast<int>(ms);
}

// The messages of one datagram, each checked to lie inside it.
template <class F> void forEachMessage(std::vector<std::uint8_t>& bytes, F&& visit) {
    int remaining = static_cast<int>(bytes.size());
    for (auto* header = reinterpret_cast<nlmsghdr*>(bytes.data());
         netlinkMessageFits(header, remaining); header = NLMSG_NEXT(header, remaining)) {
        if (!visit(header)) {
            return;
        }
    }
}

} // namespace

void NlMessageDeleter::operator()(nl_msg* message) const noexcept {
    nlmsg_free(message);
}

void GenlSocket::SocketDeleter::operator()(nl_sock* socket) const noexcept {
    nl_socket_free(socket);
}

GenlSocket::GenlSocket() : m_socket(nl_socket_alloc()) {
    if (!m_socket) {
        throw WirelessError(ENOMEM);
    }
    errno = 0;
    if (nl_connect(m_socket.get(), NETLINK_GENERIC) < 0) {
        throw WirelessError(lastErrorOr(EIO));
    }
    // Waits go through poll with a deadline; a read never blocks.
    nl_socket_set_nonblocking(m_socket.get());
}

NlMessage GenlSocket::makeMessage(std::uint16_t family, int flags, std::uint8_t command) {
    NlMessage message(nlmsg_alloc());
    if (!message || genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, flags, command,
                                0) == nullptr) {
        throw WirelessError(ENOMEM);
    }
    return message;
}

int GenlSocket::receive(Datagram& datagram, Deadline deadline, int wakeFd) {
    const int fd = nl_socket_get_fd(m_socket.get());
    while (true) {
        pollfd entries[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(entries, wakeFd >= 0 ? 2 : 1, pollTimeoutMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return lastErrorOr(EIO);
        }
        if (ready == 0) {
            return ETIMEDOUT;
        }
        if (entries[1].revents != 0) {
            return EINTR;
        }
        // The datagram's full length first, so no reply is ever cut short.
        const ssize_t length = ::recv(fd, nullptr, 0, MSG_PEEK | MSG_TRUNC);
        if (length < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (length < 0) {
            return lastErrorOr(EIO);
        }
        datagram.bytes.resize(static_cast<std::size_t>(length));
        sockaddr_nl sender{};
        iovec vector{datagram.bytes.data(), datagram.bytes.size()};
        msghdr header{};
        header.msg_name = &sender;
        header.msg_namelen = sizeof sender;
        header.msg_iov = &vector;
        header.msg_iovlen = 1;
        const ssize_t received = ::recvmsg(fd, &header, 0);
        if (received < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (received < 0) {
            return lastErrorOr(EIO);
        }
        // Only the kernel may answer; another process could write to our port.
        if (sender.nl_family != AF_NETLINK || sender.nl_pid != 0) {
            continue;
        }
        datagram.bytes.resize(static_cast<std::size_t>(received));
        datagram.isMulticast = sender.nl_groups != 0;
        return 0;
    }
}

void GenlSocket::keepEvents(const Datagram& datagram) {
    if (!m_hasJoinedGroup) {
        return;
    }
    auto bytes = datagram.bytes;
    forEachMessage(bytes, [this](nlmsghdr* header) {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(header);
        m_pendingEvents.emplace_back(begin, begin + header->nlmsg_len);
        return true;
    });
}

GenlSocket::Outcome GenlSocket::transact(nl_msg* message, const MessageHandler& onReply,
                                         Deadline deadline) {
    errno = 0;
    if (nl_send_auto(m_socket.get(), message) < 0) {
        return Outcome{lastErrorOr(EIO), false};
    }
    const std::uint32_t sequence = nlmsg_hdr(message)->nlmsg_seq;
    const std::uint32_t port = nl_socket_get_local_port(m_socket.get());
    Outcome outcome;
    bool finished = false;
    Datagram datagram;
    while (!finished) {
        if (const int error = receive(datagram, deadline); error != 0) {
            return Outcome{error, outcome.interrupted};
        }
        if (datagram.isMulticast) {
            keepEvents(datagram);
            continue;
        }
        forEachMessage(datagram.bytes, [&](nlmsghdr* header) {
            if (header->nlmsg_seq != sequence || header->nlmsg_pid != port) {
                return true; // a late answer to an earlier request
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                if (header->nlmsg_len < NLMSG_LENGTH(sizeof(int))) {
                    outcome.error = EBADMSG;
                } else {
                    int code = 0;
                    std::memcpy(&code, netlinkPayload(header), sizeof code);
                    outcome.error = code < 0 ? -code : code;
                }
                finished = true;
                return false;
            }
            if (header->nlmsg_type == NLMSG_DONE) {
                int code = 0;
                if (header->nlmsg_len >= NLMSG_LENGTH(sizeof(int))) {
                    std::memcpy(&code, netlinkPayload(header), sizeof code);
                }
                outcome.error = code < 0 ? -code : 0;
                finished = true;
                return false;
            }
            if (header->nlmsg_type == NLMSG_NOOP || header->nlmsg_type == NLMSG_OVERRUN) {
                return true;
            }
            if ((header->nlmsg_flags & NLM_F_DUMP_INTR) != 0) {
                outcome.interrupted = true;
            }
            onReply(header);
            return true;
        });
    }
    return outcome;
}

std::optional<GenlFamilyInfo> GenlSocket::resolveFamily(const std::string& name,
                                                        Deadline deadline) {
    auto message = makeMessage(GENL_ID_CTRL, 0, CTRL_CMD_GETFAMILY);
    if (nla_put_string(message.get(), CTRL_ATTR_FAMILY_NAME, name.c_str()) < 0) {
        throw WirelessError(ENOMEM);
    }
    std::optional<GenlFamilyInfo> family;
    const auto outcome = transact(
        message.get(), [&](const nlmsghdr* reply) { family = decodeFamily(reply); }, deadline);
    if (outcome.error == ENOENT) {
        return std::nullopt;
    }
    if (outcome.error != 0) {
        throw WirelessError(outcome.error);
    }
    if (!family) {
        throw WirelessError(EBADMSG);
    }
    return family;
}

void GenlSocket::joinGroup(std::uint32_t group) {
    errno = 0;
    if (nl_socket_add_membership(m_socket.get(), static_cast<int>(group)) < 0) {
        throw WirelessError(lastErrorOr(EIO));
    }
    m_hasJoinedGroup = true;
}

bool GenlSocket::awaitEvent(const EventHandler& onEvent, Deadline deadline, int wakeFd) {
    while (!m_pendingEvents.empty()) {
        auto event = std::move(m_pendingEvents.front());
        m_pendingEvents.pop_front();
        if (onEvent(reinterpret_cast<const nlmsghdr*>(event.data()))) {
            return true;
        }
    }
    Datagram datagram;
    while (true) {
        if (receive(datagram, deadline, wakeFd) != 0) {
            return false;
        }
        if (!datagram.isMulticast) {
            continue;
        }
        bool done = false;
        forEachMessage(datagram.bytes, [&](nlmsghdr* header) {
            done = onEvent(header);
            return !done;
        });
        if (done) {
            return true;
        }
    }
}

} // namespace lumra
