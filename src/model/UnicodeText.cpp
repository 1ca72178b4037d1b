#include "model/UnicodeText.h"

namespace lumra {

namespace {

bool isContinuation(unsigned char byte) noexcept {
    return (byte & 0xC0) == 0x80;
}

constexpr DecodedCodePoint invalidByte{invalidCodePoint, 1};

} // namespace

DecodedCodePoint decodeUtf8At(std::string_view text, std::size_t offset) noexcept {
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07, minimum = 0x10000;
    else
        return invalidByte;
    if (text.size() - offset < length)
        return invalidByte;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[offset + k]);
        if (!isContinuation(next))
            return invalidByte;
        value = (value << 6) | (next & 0x3F);
    }
    const bool isSurrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < minimum || value > 0x10FFFF || isSurrogate)
        return invalidByte;
    return {value, length};
}

DecodedCodePoint decodeUtf8Before(std::string_view text, std::size_t end) noexcept {
    // Step back over continuation bytes to the lead; the sequence it starts
    // must end exactly at end.
    for (std::size_t length = 1; length <= 4 && length <= end; ++length) {
        const std::size_t start = end - length;
        if (isContinuation(static_cast<unsigned char>(text[start])))
            continue;
        const DecodedCodePoint decoded = decodeUtf8At(text, start);
        if (decoded.value != invalidCodePoint && decoded.length == length)
            return decoded;
        break;
    }
    return invalidByte;
}

bool isValidUtf8(std::string_view bytes) noexcept {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const DecodedCodePoint decoded = decodeUtf8At(bytes, offset);
        if (decoded.value == invalidCodePoint)
            return false;
        offset += decoded.length;
    }
    return true;
}

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
        const DecodedCodePoint decoded = decodeUtf8At(text, begin);
        if (!isUnicodeWhitespace(decoded.value))
            break;
        begin += decoded.length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const DecodedCodePoint decoded = decodeUtf8Before(text, end);
        if (!isUnicodeWhitespace(decoded.value))
            break;
        end -= decoded.length;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string replacingInvalidUtf8(std::string_view text) {
    std::string replaced;
    replaced.reserve(text.size());
    std::size_t offset = 0;
    while (offset < text.size()) {
        const DecodedCodePoint decoded = decodeUtf8At(text, offset);
        if (decoded.value == invalidCodePoint)
            replaced += "\xEF\xBF\xBD";
        else
            replaced.append(text.substr(offset, decoded.length));
        offset += decoded.length;
    }
    return replaced;
}

std::string withoutControlCharacters(std::string_view text, LineBreaks lineBreaks) {
    std::string kept;
    kept.reserve(text.size());
    std::size_t offset = 0;
    while (offset < text.size()) {
        const DecodedCodePoint decoded = decodeUtf8At(text, offset);
        const char32_t c = decoded.value;
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        const bool keptBreak = lineBreaks == LineBreaks::keep && (c == U'\n' || c == U'\t');
        if (!control || keptBreak)
            kept.append(text.substr(offset, decoded.length));
        offset += decoded.length;
    }
    return kept;
}

std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes) noexcept {
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = decodeUtf8At(text, end).length;
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return text.substr(0, end);
}

} // namespace lumra
