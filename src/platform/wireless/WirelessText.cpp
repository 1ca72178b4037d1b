#include "platform/wireless/WirelessText.h"

#include "model/UnicodeText.h"

#include <algorithm>
#include <fmt/format.h>

namespace lumra {

std::optional<std::string> decodeSsid(std::span<const std::uint8_t> bytes) {
    const bool allNul =
        std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
    std::string name(bytes.begin(), bytes.end());
    if (allNul || !isValidUtf8(name)) {
        return std::nullopt;
    }
    return name;
}

std::string formatMacAddress(std::span<const std::uint8_t, 6> b) {
    return fmt::format("{:02x}:{:02x}:{:02x}:{:02x}:{:02x}:{:02x}", b[0], b[1], b[2], b[3], b[4],
                       b[5]);
}

} // namespace lumra
