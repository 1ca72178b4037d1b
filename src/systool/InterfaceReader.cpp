// getifaddrs and the MTU ioctl.
#include "systool/InterfaceReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <memory>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace lumra {

namespace {

struct IfaddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
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

// An IPv4 address's label is the device name, optionally ":" and more.
std::string deviceName(const char* label) {
    std::string name(label);
    return name.substr(0, name.find(':'));
}

NetworkInterface& interfaceNamed(std::vector<NetworkInterface>& interfaces,
                                 const std::string& name) {
    const auto found = std::find_if(interfaces.begin(), interfaces.end(),
                                    [&](const auto& interface) { return interface.name == name; });
    if (found != interfaces.end()) {
        return *found;
    }
    NetworkInterface interface;
    interface.name = name;
    interface.index = if_nametoindex(name.c_str());
    interfaces.push_back(std::move(interface));
    return interfaces.back();
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
    std::vector<NetworkInterface> interfaces;
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_name == nullptr || entry->ifa_addr == nullptr) {
            continue;
        }
        addEntry(interfaceNamed(interfaces, deviceName(entry->ifa_name)), *entry);
    }
    const FileDescriptor probe{socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    for (NetworkInterface& interface : interfaces) {
        interface.mtu = mtuOf(probe.fd, interface.name);
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
