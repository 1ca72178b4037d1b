// Address values and their text forms.
#include "systool/IpAddress.h"

#include <arpa/inet.h>
#include <bit>

namespace lumra {

IpAddress IpAddress::ipv4(std::uint32_t hostOrder) {
    return ipv4Bytes(
        static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
        static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder));
}

IpAddress IpAddress::ipv4Bytes(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    IpAddress address;
    address.family = IpFamily::ipv4;
    address.bytes[0] = a;
    address.bytes[1] = b;
    address.bytes[2] = c;
    address.bytes[3] = d;
    return address;
}

IpAddress IpAddress::ipv6(const std::array<std::uint8_t, 16>& networkOrder) {
    IpAddress address;
    address.family = IpFamily::ipv6;
    address.bytes = networkOrder;
    return address;
}

std::optional<IpAddress> IpAddress::parse(std::string_view text) {
    const std::string copy(text);
    IpAddress address;
    if (inet_pton(AF_INET, copy.c_str(), address.bytes.data()) == 1) {
        address.family = IpFamily::ipv4;
        return address;
    }
    if (inet_pton(AF_INET6, copy.c_str(), address.bytes.data()) == 1) {
        address.family = IpFamily::ipv6;
        return address;
    }
    return std::nullopt;
}

std::uint32_t IpAddress::ipv4HostOrder() const {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

bool IpAddress::isUnspecified() const {
    const std::size_t length = family == IpFamily::ipv4 ? 4 : 16;
    for (std::size_t i = 0; i < length; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

bool IpAddress::isV4Mapped() const {
    if (family != IpFamily::ipv6) {
        return false;
    }
    for (std::size_t i = 0; i < 10; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return bytes[10] == 0xff && bytes[11] == 0xff;
}

IpAddress IpAddress::v4FromMapped() const {
    return ipv4Bytes(bytes[12], bytes[13], bytes[14], bytes[15]);
}

bool IpAddress::needsZone() const {
    if (family != IpFamily::ipv6) {
        return false;
    }
    const bool linkLocalUnicast = bytes[0] == 0xfe && (bytes[1] & 0xc0) == 0x80;
    const int multicastScope = bytes[1] & 0x0f;
    const bool scopedMulticast = bytes[0] == 0xff && (multicastScope == 1 || multicastScope == 2);
    return linkLocalUnicast || scopedMulticast;
}

std::string IpAddress::text() const {
    char buffer[INET6_ADDRSTRLEN] = {};
    const int af = family == IpFamily::ipv4 ? AF_INET : AF_INET6;
    if (inet_ntop(af, bytes.data(), buffer, sizeof buffer) == nullptr) {
        return {};
    }
    return buffer;
}

int prefixLength(const IpAddress& mask) {
    const std::size_t length = mask.family == IpFamily::ipv4 ? 4 : 16;
    int bits = 0;
    for (std::size_t i = 0; i < length; ++i) {
        bits += std::popcount(mask.bytes[i]);
    }
    return bits;
}

} // namespace lumra
