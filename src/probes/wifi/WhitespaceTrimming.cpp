#include "probes/wifi/WhitespaceTrimming.h"

#include <cstdint>
#include <optional>

namespace lumra {

namespace {

bool isWhitespaceOrNewline(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

struct Scalar {
    char32_t value;
    std::size_t length;
};

// The scalar starting at text[i]; none for a malformed sequence.
std::optional<Scalar> decodeAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        return Scalar{lead, 1};
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (i + length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<std::uint8_t>(text[i + k]);
        if ((byte & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    return Scalar{value, length};
}

// Where the last scalar starts: back over at most three continuation bytes.
std::size_t lastScalarStart(std::string_view text) {
    std::size_t start = text.size() - 1;
    for (int k = 0; k < 3 && start > 0 && (static_cast<std::uint8_t>(text[start]) & 0xC0) == 0x80; ++k) {
        --start;
    }
    return start;
}

} // namespace

std::string_view trimWhitespaceAndNewlines(std::string_view text) {
    while (!text.empty()) {
        const auto scalar = decodeAt(text, 0);
        if (!scalar || !isWhitespaceOrNewline(scalar->value)) {
            break;
        }
        text.remove_prefix(scalar->length);
    }
    while (!text.empty()) {
        const std::size_t start = lastScalarStart(text);
        const auto scalar = decodeAt(text, start);
        if (!scalar || start + scalar->length != text.size() || !isWhitespaceOrNewline(scalar->value)) {
            break;
        }
        text.remove_suffix(scalar->length);
    }
    return text;
}

} // namespace lumra
