#include "model/UnicodeText.h"

namespace lumra {

namespace {

// The code point starting at i and its length in bytes; length 0 when the
// bytes there are not well-formed UTF-8 (overlong forms and surrogates
// included), which never counts as white space.
std::pair<std::uint32_t, std::size_t> decodeAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() - i < length)
        return {0, 0};
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        code = (code << 6) | (next & 0x3F);
    }
    const std::uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {0, 0};
    return {code, length};
}

// Where the last code point before end starts.
std::size_t previousStart(std::string_view text, std::size_t end) {
    std::size_t start = end - 1;
    while (start > 0 && end - start < 4 && (static_cast<std::uint8_t>(text[start]) & 0xC0) == 0x80)
        --start;
    return start;
}

} // namespace

std::string asciiLowercased(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

bool isUnicodeWhitespace(std::uint32_t c) noexcept {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::string trimmedWhitespaceAndNewlines(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto [code, length] = decodeAt(text, begin);
        if (length == 0 || !isUnicodeWhitespace(code))
            break;
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const std::size_t start = previousStart(text, end);
        const auto [code, length] = decodeAt(text, start);
        if (length != end - start || !isUnicodeWhitespace(code))
            break;
        end = start;
    }
    return std::string(text.substr(begin, end - begin));
}

} // namespace lumra
