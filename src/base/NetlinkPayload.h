// Where a netlink message's payload starts, as the kernel's NLMSG_DATA macro
// finds it, without its C casts.
#pragma once

#include <linux/netlink.h>

namespace lumra {

inline const void* netlinkPayload(const nlmsghdr* header) noexcept {
    return reinterpret_cast<const char*>(header) + NLMSG_ALIGN(sizeof(nlmsghdr));
}

} // namespace lumra
