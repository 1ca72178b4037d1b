// Formats interfaces in the layout of BSD ifconfig.
#include "systool/Ifconfig.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <net/if.h>
#include <utility>

namespace lumra {

namespace {

// BSD bit values (net/if.h of the BSDs) and their names.
constexpr std::array<std::pair<std::uint32_t, const char*>, 8> kBsdFlagNames{{
    {0x1, "UP"},
    {0x2, "BROADCAST"},
    {0x8, "LOOPBACK"},
    {0x10, "POINTOPOINT"},
    {0x40, "RUNNING"},
    {0x100, "PROMISC"},
    {0x200, "ALLMULTI"},
    {0x8000, "MULTICAST"},
}};

constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 8> kLinuxToBsd{{
    {IFF_UP, 0x1},
    {IFF_BROADCAST, 0x2},
    {IFF_LOOPBACK, 0x8},
    {IFF_POINTOPOINT, 0x10},
    {IFF_RUNNING, 0x40},
    {IFF_PROMISC, 0x100},
    {IFF_ALLMULTI, 0x200},
    {IFF_MULTICAST, 0x8000},
}};

constexpr std::uint32_t kBsdBroadcast = 0x2;
constexpr std::uint32_t kBsdLoopback = 0x8;

std::string zonedText(const IpAddress& address, const std::string& interfaceName) {
    return address.needsZone() ? address.text() + "%" + interfaceName : address.text();
}

std::string inetLine(const InterfaceAddress& entry) {
    std::string line = fmt::format("\tinet {} ", entry.address.text());
    if (entry.destination) {
        line += fmt::format("--> {} ", entry.destination->text());
    }
    const std::uint32_t mask = entry.netmask ? entry.netmask->ipv4HostOrder() : 0;
    line += fmt::format("netmask 0x{:x} ", mask);
    if (entry.broadcast) {
        line += fmt::format("broadcast {}", entry.broadcast->text());
    }
    return line + "\n";
}

std::string inet6Line(const InterfaceAddress& entry, const std::string& interfaceName) {
    std::string line = fmt::format("\tinet6 {} ", zonedText(entry.address, interfaceName));
    if (entry.destination) {
        line += fmt::format("--> {} ", zonedText(*entry.destination, interfaceName));
    }
    line += fmt::format("prefixlen {} ", entry.netmask ? prefixLength(*entry.netmask) : 128);
    if (entry.scopeId != 0) {
        line += fmt::format("scopeid 0x{:x} ", entry.scopeId);
    }
    return line + "\n";
}

std::string interfaceBlock(const NetworkInterface& interface) {
    std::string out =
        fmt::format("{}: {}", interface.name, bsdFlagsText(bsdInterfaceFlags(interface.flags)));
    if (interface.mtu && *interface.mtu > 0) {
        out += fmt::format(" mtu {}", *interface.mtu);
    }
    out += "\n";
    const bool loopback = (interface.flags & IFF_LOOPBACK) != 0;
    if (interface.etherAddress && !loopback) {
        const auto& e = *interface.etherAddress;
        out += fmt::format("\tether {:02x}:{:02x}:{:02x}:{:02x}:{:02x}:{:02x}\n", e[0], e[1], e[2],
                           e[3], e[4], e[5]);
    }
    for (const InterfaceAddress& entry : interface.addresses) {
        out += entry.address.family == IpFamily::ipv4 ? inetLine(entry)
                                                      : inet6Line(entry, interface.name);
    }
    // BSD shows media and link status for Ethernet-like interfaces; the
    // link is active when the kernel reports it running.
    if (interface.etherAddress && !loopback) {
        out += "\tmedia: autoselect\n";
        out += (interface.flags & IFF_RUNNING) != 0 ? "\tstatus: active\n" : "\tstatus: inactive\n";
    }
    return out;
}

} // namespace

bool isBsdInterfaceName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

std::uint32_t bsdInterfaceFlags(std::uint32_t linuxFlags) {
    std::uint32_t bsd = 0;
    for (const auto& [linuxBit, bsdBit] : kLinuxToBsd) {
        if ((linuxFlags & linuxBit) != 0) {
            bsd |= bsdBit;
        }
    }
    // A loopback link does not broadcast; together the two bits would also
    // make a hexadecimal letter.
    if ((bsd & kBsdLoopback) != 0) {
        bsd &= ~kBsdBroadcast;
    }
    return bsd;
}

std::string bsdFlagsText(std::uint32_t bsdFlags) {
    std::string names;
    for (const auto& [bit, name] : kBsdFlagNames) {
        if ((bsdFlags & bit) != 0) {
            if (!names.empty()) {
                names += ',';
            }
            names += name;
        }
    }
    return fmt::format("flags={:x}<{}>", bsdFlags, names);
}

std::string formatIfconfig(const std::vector<NetworkInterface>& interfaces) {
    std::string out;
    for (const NetworkInterface& interface : interfaces) {
        if (isBsdInterfaceName(interface.name)) {
            out += interfaceBlock(interface);
        }
    }
    return out;
}

} // namespace lumra
