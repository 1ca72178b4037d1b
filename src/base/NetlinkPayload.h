// Where a netlink message's or a route attribute's payload starts, as the
// kernel's NLMSG_DATA and RTA_DATA macros find it, without their C casts.
#pragma once

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace lumra {

inline const void* netlinkPayload(const nlmsghdr* header) noexcept {
    return reinterpret_cast<const char*>(header) + NLMSG_ALIGN(sizeof(nlmsghdr));
}

inline const void* attributePayload(const rtattr* attribute) noexcept {
    return reinterpret_cast<const char*>(attribute) + RTA_ALIGN(sizeof(rtattr));
}

} // namespace lumra
