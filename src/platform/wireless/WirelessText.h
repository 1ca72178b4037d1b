// Texts taken from nl80211 byte fields: network names and hardware
// addresses. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumra {

// A network name as a UTF-8 string, or none when the bytes are empty, all NUL
// (a hidden network's placeholder) or not valid UTF-8. Kept exactly otherwise.
std::optional<std::string> decodeSsid(std::span<const std::uint8_t> bytes);

// Six bytes as "aa:bb:cc:dd:ee:ff" in lower case.
std::string formatMacAddress(std::span<const std::uint8_t, 6> bytes);

} // namespace lumra
