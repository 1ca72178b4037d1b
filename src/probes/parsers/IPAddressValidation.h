// Tests of address texts read from tool output. isValid... decide whether a
// text names a gateway or an interface address at all; isUsable... also
// refuse the addresses that never show a working VPN (unspecified,
// loopback, link-local, multicast). Pure functions, any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lumra {

// Four "."-separated parts, each an integer (optional sign, ASCII digits)
// from 0 to 255: "192.168.001.010" and "+1.2.3.4" pass, "1.2.3" does not.
bool isValidIPv4Address(std::string_view text);
// The text before the first "%" (the zone) is a standard IPv6 form.
bool isValidIPv6Address(std::string_view text);

// Strict textual address forms, as inet_pton reads them: four decimal
// octets without leading zeros; the standard IPv6 forms without a zone.
std::optional<std::array<std::uint8_t, 4>> parseIPv4AddressBytes(std::string_view text);
std::optional<std::array<std::uint8_t, 16>> parseIPv6AddressBytes(std::string_view text);

// Parses strictly, then refuses 0/8, 127/8, 169.254/16 and 224/3 upwards.
bool isUsableIPv4Address(std::string_view text);
// Drops the zone, parses strictly, then refuses ::, ::1, fe80::/10, ff00::/8.
bool isUsableIPv6Address(std::string_view text);

} // namespace lumra
