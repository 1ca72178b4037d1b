#include "platform/wireless/WirelessText.h"

#include <fmt/format.h>

#include <algorithm>

namespace lumra {

namespace {

bool isContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// Length of the sequence starting at bytes[i], or 0 when it is malformed.
std::size_t sequenceLength(std::span<const std::uint8_t> bytes, std::size_t i) {
    const std::uint8_t lead = bytes[i];
    std::size_t length = 0;
    std::uint8_t secondLow = 0x80;
    std::uint8_t secondHigh = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            secondLow = 0xA0; // overlong
        } else if (lead == 0xED) {
            secondHigh = 0x9F; // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            secondLow = 0x90; // overlong
        } else if (lead == 0xF4) {
            secondHigh = 0x8F; // above U+10FFFF
        }
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    if (bytes[i + 1] < secondLow || bytes[i + 1] > secondHigh) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (!isContinuation(bytes[i + k])) {
            return 0;
        }
    }
    return length;
}

} // namespace

bool isValidUtf8(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::optional<std::string> decodeSsid(std::span<const std::uint8_t> bytes) {
    const bool allNul = std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
    if (allNul || !isValidUtf8(bytes)) {
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

std::string formatMacAddress(std::span<const std::uint8_t, 6> b) {
    return fmt::format("{:02x}:{:02x}:{:02x}:{:02x}:{:02x}:{:02x}", b[0], b[1], b[2], b[3], b[4], b[5]);
}

} // namespace lumra
