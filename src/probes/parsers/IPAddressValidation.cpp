// Address text tests; see the header.
#include "probes/parsers/IPAddressValidation.h"

#include "probes/parsers/ToolOutputText.h"

#include <algorithm>
#include <arpa/inet.h>
#include <string>

namespace lumra {
namespace {

// inet_pton stops at a NUL, so a text with one inside would pass on its
// prefix alone.
template <std::size_t Size>
std::optional<std::array<std::uint8_t, Size>> presentationToBytes(int family,
                                                                  std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string terminated(text);
    std::array<std::uint8_t, Size> bytes{};
    if (inet_pton(family, terminated.c_str(), bytes.data()) != 1) {
        return std::nullopt;
    }
    return bytes;
}

std::string_view withoutZone(std::string_view text) {
    return text.substr(0, text.find('%'));
}

bool isOctet(std::string_view part) {
    const std::optional<std::int64_t> value = parseInteger(part);
    return value && *value >= 0 && *value <= 255;
}

} // namespace

bool isValidIPv4Address(std::string_view text) {
    // Every "." counts, so empty parts are kept and refused.
    std::size_t partCount = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string_view part =
            text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (++partCount > 4 || !isOctet(part)) {
            return false;
        }
        if (dot == std::string_view::npos) {
            return partCount == 4;
        }
        start = dot + 1;
    }
}

bool isValidIPv6Address(std::string_view text) {
    const std::string_view address = withoutZone(text);
    return !address.empty() && parseIPv6AddressBytes(address).has_value();
}

std::optional<std::array<std::uint8_t, 4>> parseIPv4AddressBytes(std::string_view text) {
    return presentationToBytes<4>(AF_INET, text);
}

std::optional<std::array<std::uint8_t, 16>> parseIPv6AddressBytes(std::string_view text) {
    return presentationToBytes<16>(AF_INET6, text);
}

bool isUsableIPv4Address(std::string_view text) {
    const auto bytes = parseIPv4AddressBytes(text);
    if (!bytes) {
        return false;
    }
    const std::uint8_t first = (*bytes)[0];
    const std::uint8_t second = (*bytes)[1];
    const bool isLinkLocal = first == 169 && second == 254;
    return first != 0 && first != 127 && !isLinkLocal && first < 224;
}

bool isUsableIPv6Address(std::string_view text) {
    const auto bytes = parseIPv6AddressBytes(withoutZone(text));
    if (!bytes) {
        return false;
    }
    const auto& b = *bytes;
    const bool firstFifteenZero =
        std::all_of(b.begin(), b.end() - 1, [](std::uint8_t x) { return x == 0; });
    const bool isUnspecified = firstFifteenZero && b[15] == 0;
    const bool isLoopback = firstFifteenZero && b[15] == 1;
    const bool isLinkLocal = b[0] == 0xFE && (b[1] & 0xC0) == 0x80;
    const bool isMulticast = b[0] == 0xFF;
    return !isUnspecified && !isLoopback && !isLinkLocal && !isMulticast;
}

} // namespace lumra
