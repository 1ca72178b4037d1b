#include "platform/network/RtnetlinkDump.h"

#include "base/NetlinkPayload.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace lumra {

namespace {

using Clock = std::chrono::steady_clock;

bool sendDumpRequest(int fd, std::uint16_t type, std::uint32_t sequence) {
    struct {
        nlmsghdr header;
        union {
            ifinfomsg link;
            rtmsg route;
        } body;
    } request{};
    const std::size_t bodySize = type == RTM_GETLINK ? sizeof(ifinfomsg) : sizeof(rtmsg);
    request.header.nlmsg_len = NLMSG_LENGTH(bodySize);
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    // AF_UNSPEC in either body: every family (the family byte comes first in both).
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    const auto sent = ::sendto(fd, &request, request.header.nlmsg_len, 0,
                               reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
    return sent == static_cast<ssize_t>(request.header.nlmsg_len);
}

// Reads the dump with that sequence number into facts until NLMSG_DONE;
// false on an error message or when the deadline passes.
bool receiveDump(int fd, std::uint32_t sequence, Clock::time_point deadline, RoutingDump kind,
                 RoutingFacts& facts) {
    // Large enough for any one datagram of a dump (the kernel sends at most 32 KiB).
    std::vector<std::uint32_t> storage(64 * 1024 / sizeof(std::uint32_t));
    auto* const buffer = reinterpret_cast<std::uint8_t*>(storage.data());
    const std::size_t capacity = storage.size() * sizeof(std::uint32_t);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t received = ::recv(fd, buffer, capacity, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return false;
        const auto datagram = std::span(buffer, static_cast<std::size_t>(received));
        switch (readRoutingDatagram(datagram, sequence, kind, facts)) {
        case NetlinkDumpStep::more:
            break;
        case NetlinkDumpStep::done:
            return true;
        case NetlinkDumpStep::failed:
            return false;
        }
    }
}

void readLink(const nlmsghdr& header, RoutingFacts& facts) {
    if (header.nlmsg_type != RTM_NEWLINK || header.nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
        return;
    const auto* info = static_cast<const ifinfomsg*>(netlinkPayload(&header));
    LinkFacts link;
    link.index = info->ifi_index;
    link.hardwareType = info->ifi_type;
    link.flags = info->ifi_flags;
    int length = static_cast<int>(IFLA_PAYLOAD(&header));
    for (const auto* attribute = IFLA_RTA(info); netlinkAttributeFits(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type != IFLA_IFNAME)
            continue;
        const auto* text = static_cast<const char*>(RTA_DATA(attribute));
        link.name.assign(text, ::strnlen(text, RTA_PAYLOAD(attribute)));
    }
    facts.links.push_back(std::move(link));
}

constexpr unsigned unusableNextHop = RTNH_F_DEAD | RTNH_F_LINKDOWN;

void readNextHops(const rtattr& attribute, RoutingFacts& facts) {
    const auto* hop = static_cast<const rtnexthop*>(RTA_DATA(&attribute));
    auto left = static_cast<std::size_t>(RTA_PAYLOAD(&attribute));
    while (left >= sizeof(rtnexthop) && hop->rtnh_len >= sizeof(rtnexthop) &&
           hop->rtnh_len <= left) {
        if ((hop->rtnh_flags & unusableNextHop) == 0)
            facts.defaultRouteInterfaces.push_back(hop->rtnh_ifindex);
        const auto step = static_cast<std::size_t>(RTNH_ALIGN(hop->rtnh_len));
        if (step >= left)
            break;
        left -= step;
        hop = reinterpret_cast<const rtnexthop*>(reinterpret_cast<const char*>(hop) + step);
    }
}

void readRoute(const nlmsghdr& header, RoutingFacts& facts) {
    if (header.nlmsg_type != RTM_NEWROUTE || header.nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
        return;
    const auto* route = static_cast<const rtmsg*>(netlinkPayload(&header));
    const bool isDefault = (route->rtm_family == AF_INET || route->rtm_family == AF_INET6) &&
                           route->rtm_dst_len == 0 && route->rtm_type == RTN_UNICAST &&
                           (route->rtm_flags & unusableNextHop) == 0;
    if (!isDefault)
        return;
    std::uint32_t table = route->rtm_table;
    std::optional<int> outputInterface;
    const rtattr* multipath = nullptr;
    int length = static_cast<int>(RTM_PAYLOAD(&header));
    for (const auto* attribute = RTM_RTA(route); netlinkAttributeFits(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        const bool holdsWord = RTA_PAYLOAD(attribute) >= sizeof(std::uint32_t);
        if (attribute->rta_type == RTA_TABLE && holdsWord)
            std::memcpy(&table, RTA_DATA(attribute), sizeof table);
        else if (attribute->rta_type == RTA_OIF && holdsWord) {
            int index = 0;
            std::memcpy(&index, RTA_DATA(attribute), sizeof index);
            outputInterface = index;
        } else if (attribute->rta_type == RTA_MULTIPATH)
            multipath = attribute;
    }
    if (table == RT_TABLE_LOCAL)
        return;
    if (outputInterface)
        facts.defaultRouteInterfaces.push_back(*outputInterface);
    if (multipath != nullptr)
        readNextHops(*multipath, facts);
}

} // namespace

NetlinkDumpStep readRoutingDatagram(std::span<const std::uint8_t> datagram, std::uint32_t sequence,
                                    RoutingDump kind, RoutingFacts& facts) {
    // Signed, so that a malformed tail leaves it below zero (a datagram is
    // far below 2 GiB).
    int remaining = static_cast<int>(datagram.size());
    for (const auto* header = reinterpret_cast<const nlmsghdr*>(datagram.data());
         netlinkMessageFits(header, remaining); header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_seq != sequence)
            continue;
        if (header->nlmsg_type == NLMSG_DONE)
            return NetlinkDumpStep::done;
        if (header->nlmsg_type == NLMSG_ERROR)
            return NetlinkDumpStep::failed;
        if (kind == RoutingDump::links)
            readLink(*header, facts);
        else
            readRoute(*header, facts);
    }
    return NetlinkDumpStep::more;
}

std::optional<RoutingFacts> dumpRoutingFacts(std::chrono::milliseconds timeout) {
    UniqueFd socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (socket.get() < 0)
        return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    RoutingFacts facts;
    if (!sendDumpRequest(socket.get(), RTM_GETLINK, 1) ||
        !receiveDump(socket.get(), 1, deadline, RoutingDump::links, facts))
        return std::nullopt;
    if (!sendDumpRequest(socket.get(), RTM_GETROUTE, 2) ||
        !receiveDump(socket.get(), 2, deadline, RoutingDump::routes, facts))
        return std::nullopt;
    return facts;
}

} // namespace lumra
