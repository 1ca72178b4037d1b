// getifaddrs and the MTU ioctl.
#include "systool/InterfaceReader.h"

#include "base/NetlinkPayload.h"
#include "base/UniqueFd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <memory>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace lumra {

namespace {

struct IfaddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

std::optional<IpAddress> addressOf(const sockaddr* socketAddress,
                                   std::uint32_t* scopeId = nullptr) {
    if (socketAddress == nullptr) {
        return std::nullopt;
    }
    if (socketAddress->sa_family == AF_INET) {
        sockaddr_in in{};
        std::memcpy(&in, socketAddress, sizeof in);
        IpAddress address;
        address.family = IpFamily::ipv4;
        std::memcpy(address.bytes.data(), &in.sin_addr, 4);
        return address;
    }
    if (socketAddress->sa_family == AF_INET6) {
        sockaddr_in6 in6{};
        std::memcpy(&in6, socketAddress, sizeof in6);
        IpAddress address;
        address.family = IpFamily::ipv6;
        std::memcpy(address.bytes.data(), &in6.sin6_addr, 16);
        if (scopeId != nullptr) {
            *scopeId = in6.sin6_scope_id;
        }
        return address;
    }
    return std::nullopt;
}

// getifaddrs names an IPv4 entry by the address's label, which the kernel
// lets be any text ("utun7" on an Ethernet link): only the index says which
// interface holds the address. The owner of each IPv4 address, by label and
// local address, from an rtnetlink dump.
struct Ipv4Owner {
    std::string label;
    std::array<std::uint8_t, 4> local{};
    unsigned index = 0;
};

void readIpv4Attributes(const nlmsghdr* header, std::vector<Ipv4Owner>& owners) {
    if (header->nlmsg_type != RTM_NEWADDR || header->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
        return;
    const auto* message = static_cast<const ifaddrmsg*>(netlinkPayload(header));
    if (message->ifa_family != AF_INET)
        return;
    Ipv4Owner owner;
    owner.index = message->ifa_index;
    std::optional<std::array<std::uint8_t, 4>> local;
    std::optional<std::array<std::uint8_t, 4>> address;
    int length = static_cast<int>(IFA_PAYLOAD(header));
    for (const rtattr* attribute = IFA_RTA(message); netlinkAttributeFits(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        const auto* data = static_cast<const std::uint8_t*>(RTA_DATA(attribute));
        const std::size_t size = RTA_PAYLOAD(attribute);
        std::array<std::uint8_t, 4> bytes{};
        if ((attribute->rta_type == IFA_LOCAL || attribute->rta_type == IFA_ADDRESS) && size == 4)
            std::memcpy(bytes.data(), data, 4);
        if (attribute->rta_type == IFA_LOCAL && size == 4)
            local = bytes;
        else if (attribute->rta_type == IFA_ADDRESS && size == 4)
            address = bytes;
        else if (attribute->rta_type == IFA_LABEL && size > 0)
            owner.label.assign(reinterpret_cast<const char*>(data),
                               strnlen(reinterpret_cast<const char*>(data), size));
    }
    // getifaddrs reports the local address when there is one, as here.
    if (!local && !address)
        return;
    owner.local = local ? *local : *address;
    owners.push_back(std::move(owner));
}

// Empty when netlink cannot be read; IPv4 entries then have no owner and
// are left out rather than put under a name that may be wrong.
std::vector<Ipv4Owner> readIpv4Owners() {
    std::vector<Ipv4Owner> owners;
    const UniqueFd socketFd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (socketFd.get() < 0)
        return owners;
    const timeval limit{2, 0};
    setsockopt(socketFd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    struct {
        nlmsghdr header;
        ifaddrmsg message;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETADDR;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.message.ifa_family = AF_INET;
    if (send(socketFd.get(), &request, sizeof request, 0) < 0)
        return owners;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t received = recv(socketFd.get(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return {};
        int length = static_cast<int>(received);
        for (const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
             netlinkMessageFits(header, length); header = NLMSG_NEXT(header, length)) {
            if (header->nlmsg_type == NLMSG_DONE)
                return owners;
            if (header->nlmsg_type == NLMSG_ERROR)
                return {};
            readIpv4Attributes(header, owners);
        }
    }
}

std::optional<unsigned> ownerOf(const std::vector<Ipv4Owner>& owners, const ifaddrs& entry) {
    sockaddr_in in{};
    std::memcpy(&in, entry.ifa_addr, sizeof in);
    std::array<std::uint8_t, 4> local{};
    std::memcpy(local.data(), &in.sin_addr, 4);
    for (const Ipv4Owner& owner : owners) {
        if (owner.local != local)
            continue;
        // Without a label of its own, an address goes by its link's name.
        char linkName[IF_NAMESIZE] = {};
        const std::string label =
            owner.label.empty() && if_indextoname(owner.index, linkName) != nullptr ? linkName
                                                                                    : owner.label;
        if (label == entry.ifa_name)
            return owner.index;
    }
    return std::nullopt;
}

NetworkInterface& interfaceWithIndex(std::vector<NetworkInterface>& interfaces, unsigned index,
                                     const std::string& name) {
    const auto found =
        std::find_if(interfaces.begin(), interfaces.end(),
                     [&](const auto& interface) { return interface.index == index; });
    if (found != interfaces.end()) {
        return *found;
    }
    NetworkInterface interface;
    interface.name = name;
    interface.index = index;
    interfaces.push_back(std::move(interface));
    return interfaces.back();
}

// The link's own name; a label says nothing about it.
std::string linkName(unsigned index, const char* fallback) {
    char name[IF_NAMESIZE] = {};
    return if_indextoname(index, name) != nullptr ? std::string(name) : std::string(fallback);
}

// The index of the interface an entry belongs to; nullopt when it cannot be
// told (an IPv4 address that went away between the two readings).
std::optional<unsigned> indexOf(const ifaddrs& entry, const std::vector<Ipv4Owner>& owners) {
    switch (entry.ifa_addr->sa_family) {
    case AF_PACKET: {
        sockaddr_ll link{};
        std::memcpy(&link, entry.ifa_addr, sizeof link);
        return static_cast<unsigned>(link.sll_ifindex);
    }
    case AF_INET:
        return ownerOf(owners, entry);
    default: {
        // IPv6 addresses have no labels: the name is the link's.
        const unsigned index = if_nametoindex(entry.ifa_name);
        return index == 0 ? std::nullopt : std::optional<unsigned>(index);
    }
    }
}

void addEntry(NetworkInterface& interface, const ifaddrs& entry) {
    const int family = entry.ifa_addr->sa_family;
    if (family == AF_PACKET) {
        interface.flags = entry.ifa_flags;
        sockaddr_ll link{};
        std::memcpy(&link, entry.ifa_addr, sizeof link);
        if (link.sll_hatype == ARPHRD_ETHER && link.sll_halen == 6) {
            std::array<std::uint8_t, 6> ether{};
            std::memcpy(ether.data(), link.sll_addr, 6);
            interface.etherAddress = ether;
        }
        return;
    }
    InterfaceAddress address;
    const auto own = addressOf(entry.ifa_addr, &address.scopeId);
    if (!own) {
        return;
    }
    if (interface.flags == 0) {
        interface.flags = entry.ifa_flags;
    }
    address.address = *own;
    address.netmask = addressOf(entry.ifa_netmask);
    if ((entry.ifa_flags & IFF_POINTOPOINT) != 0) {
        address.destination = addressOf(entry.ifa_dstaddr);
    } else if ((entry.ifa_flags & IFF_BROADCAST) != 0 && family == AF_INET) {
        // Without a configured broadcast address glibc hands back the
        // address itself.
        address.broadcast = addressOf(entry.ifa_broadaddr);
        if (address.broadcast == address.address) {
            address.broadcast.reset();
        }
    }
    interface.addresses.push_back(std::move(address));
}

std::optional<int> mtuOf(int socketFd, const std::string& name) {
    if (socketFd < 0 || name.size() >= IFNAMSIZ) {
        return std::nullopt;
    }
    ifreq request{};
    std::memcpy(request.ifr_name, name.c_str(), name.size());
    if (ioctl(socketFd, SIOCGIFMTU, &request) != 0) {
        return std::nullopt;
    }
    return request.ifr_mtu;
}

} // namespace

std::vector<NetworkInterface> readNetworkInterfaces() {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        throw std::system_error(errno, std::generic_category(), "getifaddrs");
    }
    const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
    const std::vector<Ipv4Owner> owners = readIpv4Owners();
    std::vector<NetworkInterface> interfaces;
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_name == nullptr || entry->ifa_addr == nullptr) {
            continue;
        }
        const auto index = indexOf(*entry, owners);
        if (!index) {
            continue;
        }
        addEntry(interfaceWithIndex(interfaces, *index, linkName(*index, entry->ifa_name)), *entry);
    }
    const UniqueFd probe(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    for (NetworkInterface& interface : interfaces) {
        interface.mtu = mtuOf(probe.get(), interface.name);
    }
    std::stable_sort(interfaces.begin(), interfaces.end(),
                     [](const auto& a, const auto& b) { return a.index < b.index; });
    return interfaces;
}

InterfaceIndexes currentInterfaceIndexes() {
    InterfaceIndexes indexes;
    struct if_nameindex* list = if_nameindex();
    if (list == nullptr) {
        return indexes;
    }
    for (const struct if_nameindex* entry = list; entry->if_index != 0 && entry->if_name != nullptr;
         ++entry) {
        indexes.emplace(entry->if_name, entry->if_index);
    }
    if_freenameindex(list);
    return indexes;
}

} // namespace lumra
