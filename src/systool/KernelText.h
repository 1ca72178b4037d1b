// Small readers for the text tables under /proc/net: whitespace fields and
// the hexadecimal forms the kernel prints its addresses in.
#pragma once

#include "systool/IpAddress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

std::vector<std::string_view> splitLines(std::string_view text);
std::vector<std::string_view> splitFields(std::string_view line);

// Whole text must be hexadecimal digits (no sign, no prefix) fitting 32 or
// 64 bits.
std::optional<std::uint32_t> parseHex32(std::string_view text);
std::optional<std::uint64_t> parseHex64(std::string_view text);
// Optional "-" then decimal digits.
std::optional<std::int64_t> parseDecimal64(std::string_view text);

// An address printed as 32-bit words in the CPU's order ("%08X" of a
// network-order word), as /proc/net/route, tcp and tcp6 print them: 8 hex
// digits for IPv4, 32 for IPv6.
std::optional<IpAddress> parseKernelWordAddress(std::string_view text);
// An IPv6 address printed byte by byte in network order (ipv6_route).
std::optional<IpAddress> parseKernelByteAddress(std::string_view text);

// Reads a whole file; absent when it cannot be opened or read.
std::optional<std::string> readTextFile(const std::string& path);

} // namespace lumra
