// Where a netlink message's payload starts and whether the message fits in
// what is left of its datagram, as the kernel's NLMSG_DATA and NLMSG_OK
// macros find them, without their C casts and mixed-sign comparisons.
#pragma once

#include <linux/netlink.h>

namespace lumra {

inline const void* netlinkPayload(const nlmsghdr* header) noexcept {
    return reinterpret_cast<const char*>(header) + NLMSG_ALIGN(sizeof(nlmsghdr));
}

// remaining is signed, as NLMSG_NEXT leaves it: below zero past the last message.
inline bool netlinkMessageFits(const nlmsghdr* header, int remaining) noexcept {
    return remaining >= static_cast<int>(sizeof(nlmsghdr)) &&
           header->nlmsg_len >= sizeof(nlmsghdr) &&
           header->nlmsg_len <= static_cast<unsigned>(remaining);
}

} // namespace lumra
