// Text rules shared by the tool-output parsers; see the header.
#include "probes/parsers/ToolOutputText.h"

#include "model/UnicodeText.h"
#include "probes/parsers/Regex.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace lumra {
namespace {

template <class Predicate>
std::vector<std::string_view> splitWhere(std::string_view text, Predicate isSeparator) {
    std::vector<std::string_view> pieces;
    std::size_t pieceStart = 0;
    std::size_t offset = 0;
    while (offset < text.size()) {
        const DecodedCodePoint decoded = decodeUtf8At(text, offset);
        if (isSeparator(decoded.value)) {
            if (offset > pieceStart) {
                pieces.push_back(text.substr(pieceStart, offset - pieceStart));
            }
            pieceStart = offset + decoded.length;
        }
        offset += decoded.length;
    }
    if (text.size() > pieceStart) {
        pieces.push_back(text.substr(pieceStart));
    }
    return pieces;
}

template <class Predicate> std::string_view trimWhere(std::string_view text, Predicate isTrimmed) {
    std::size_t start = 0;
    while (start < text.size()) {
        const DecodedCodePoint decoded = decodeUtf8At(text, start);
        if (!isTrimmed(decoded.value)) {
            break;
        }
        start += decoded.length;
    }
    std::size_t end = text.size();
    while (end > start) {
        const DecodedCodePoint decoded = decodeUtf8Before(text, end);
        if (!isTrimmed(decoded.value)) {
            break;
        }
        end -= decoded.length;
    }
    return text.substr(start, end - start);
}

void appendUTF8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<char>(value));
    } else if (value < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (value >> 6)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else if (value < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (value >> 12)));
        out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (value >> 18)));
        out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

// Non-ASCII characters whose full upper-case mapping (SpecialCasing
// included) is all ASCII, from the Unicode 14 tables.
std::string_view asciiUppercaseOf(char32_t value) noexcept {
    switch (value) {
    case 0x00DF:
        return "SS";
    case 0x0131:
        return "I";
    case 0x017F:
        return "S";
    case 0xFB00:
        return "FF";
    case 0xFB01:
        return "FI";
    case 0xFB02:
        return "FL";
    case 0xFB03:
        return "FFI";
    case 0xFB04:
        return "FFL";
    case 0xFB05:
        return "ST";
    case 0xFB06:
        return "ST";
    default:
        return {};
    }
}

// The only non-ASCII character whose lower-case mapping is all ASCII.
std::string_view asciiLowercaseOf(char32_t value) noexcept {
    return value == 0x212A ? std::string_view("k") : std::string_view();
}

template <class Mapping>
std::string mapCase(std::string_view text, char asciiFrom, char asciiTo, Mapping specialMapping) {
    std::string out;
    out.reserve(text.size());
    std::size_t offset = 0;
    while (offset < text.size()) {
        const DecodedCodePoint decoded = decodeUtf8At(text, offset);
        const std::string_view special =
            decoded.value == invalidCodePoint ? std::string_view() : specialMapping(decoded.value);
        if (decoded.value >= static_cast<char32_t>(asciiFrom) &&
            decoded.value < static_cast<char32_t>(asciiFrom + 26)) {
            out.push_back(static_cast<char>(decoded.value - asciiFrom + asciiTo));
        } else if (!special.empty()) {
            out.append(special);
        } else {
            out.append(text.substr(offset, decoded.length));
        }
        offset += decoded.length;
    }
    return out;
}

bool isASCIIDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

} // namespace

bool isLineBreak(char32_t character) noexcept {
    return (character >= 0x0A && character <= 0x0D) || character == 0x85 || character == 0x2028 ||
           character == 0x2029;
}

bool isBlank(char32_t character) noexcept {
    return character == 0x09 || character == 0x20 || character == 0xA0 || character == 0x1680 ||
           (character >= 0x2000 && character <= 0x200A) || character == 0x202F ||
           character == 0x205F || character == 0x3000;
}

bool isWhiteSpace(char32_t character) noexcept {
    return isUnicodeWhitespace(character);
}

bool isPunctuation(char32_t character) {
    if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
        return false;
    }
    static const Regex punctuation(R"(\A\p{P}\z)");
    std::string encoded;
    appendUTF8(encoded, character);
    return punctuation.firstMatch(encoded).has_value();
}

std::vector<std::string_view> splitLines(std::string_view output) {
    return splitWhere(output, [](char32_t c) { return isLineBreak(c); });
}

std::vector<std::string_view> splitFields(std::string_view line) {
    return splitWhere(line, [](char32_t c) { return isWhiteSpace(c); });
}

std::vector<std::string_view> splitAtByte(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

std::string_view trimWhiteSpace(std::string_view text) {
    return trimWhere(text, [](char32_t c) { return isWhiteSpace(c); });
}

std::string_view trimBlanks(std::string_view text) {
    return trimWhere(text, [](char32_t c) { return isBlank(c); });
}

std::string_view trimPunctuation(std::string_view text) {
    return trimWhere(text, [](char32_t c) { return isPunctuation(c); });
}

std::string uppercasedForASCIIComparison(std::string_view text) {
    return mapCase(text, 'a', 'A', asciiUppercaseOf);
}

std::string lowercasedForASCIIComparison(std::string_view text) {
    return mapCase(text, 'A', 'a', asciiLowercaseOf);
}

std::optional<double> parseDecimal(std::string_view text) {
    std::string_view body = text;
    bool isNegative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        isNegative = body.front() == '-';
        body.remove_prefix(1);
    }
    auto format = std::chars_format::general;
    if (body.size() >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        format = std::chars_format::hex;
        body.remove_prefix(2);
    }
    // from_chars takes a "-" of its own; the sign has been read already.
    if (body.empty() || body.front() == '+' || body.front() == '-') {
        return std::nullopt;
    }
    double value = 0;
    const char* end = body.data() + body.size();
    const auto [stop, error] = std::from_chars(body.data(), end, value, format);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return isNegative ? -value : value;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    for (const char c : digits) {
        if (!isASCIIDigit(c)) {
            return std::nullopt;
        }
    }
    // from_chars reads a "-" itself but refuses a "+".
    const std::string_view number = text.front() == '+' ? digits : text;
    std::int64_t value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace lumra
