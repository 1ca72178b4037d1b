// An IPv4 or IPv6 address as the kernel's tables hold it, and the text forms
// the BSD tools print. Pure values; used by every formatter in this tool.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

enum class IpFamily { ipv4, ipv6 };

struct IpAddress {
    IpFamily family = IpFamily::ipv4;
    // Network byte order; an IPv4 address uses the first four bytes.
    std::array<std::uint8_t, 16> bytes{};

    bool operator==(const IpAddress&) const = default;

    static IpAddress ipv4(std::uint32_t hostOrder);
    static IpAddress ipv4Bytes(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    static IpAddress ipv6(const std::array<std::uint8_t, 16>& networkOrder);
    // Strict numeric parse (inet_pton); no zone, no names.
    static std::optional<IpAddress> parse(std::string_view text);

    std::uint32_t ipv4HostOrder() const;
    bool isUnspecified() const;
    // ::ffff:a.b.c.d, the form an IPv6 socket shows for an IPv4 peer.
    bool isV4Mapped() const;
    IpAddress v4FromMapped() const;
    // Addresses whose text needs an interface zone to mean anything:
    // link-local unicast and interface- or link-local multicast.
    bool needsZone() const;
    // inet_ntop form.
    std::string text() const;
};

// Number of leading one bits of a netmask (contiguous masks only, as Linux
// keeps them).
int prefixLength(const IpAddress& mask);

} // namespace lumra
