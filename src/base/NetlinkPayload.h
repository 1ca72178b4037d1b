// Where a netlink message's payload starts and whether a message (or a
// route attribute) fits in what is left of its datagram (or message), as the
// kernel's NLMSG_DATA, NLMSG_OK and RTA_OK macros find them, without their C
// casts and mixed-sign comparisons.
#pragma once

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace lumra {

inline const void* netlinkPayload(const nlmsghdr* header) noexcept {
    return reinterpret_cast<const char*>(header) + NLMSG_ALIGN(sizeof(nlmsghdr));
}

// remaining is signed, as NLMSG_NEXT leaves it: below zero past the last
// message, where an unsigned count would wrap and the walk read on past the
// datagram.
inline bool netlinkMessageFits(const nlmsghdr* header, int remaining) noexcept {
    return remaining >= static_cast<int>(sizeof(nlmsghdr)) &&
           header->nlmsg_len >= sizeof(nlmsghdr) &&
           header->nlmsg_len <= static_cast<unsigned>(remaining);
}

// The same for a route attribute; remaining is signed, as RTA_NEXT leaves it.
inline bool netlinkAttributeFits(const rtattr* attribute, int remaining) noexcept {
    return remaining >= static_cast<int>(sizeof(rtattr)) && attribute->rta_len >= sizeof(rtattr) &&
           static_cast<int>(attribute->rta_len) <= remaining;
}

// Where one received datagram of a dump leaves it.
enum class NetlinkDumpStep {
    more,   // the dump goes on in the next datagram
    done,   // NLMSG_DONE
    failed, // an error message, or one the dump cannot hold
};

} // namespace lumra
