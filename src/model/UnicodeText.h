// Text rules shared by every layer: the one UTF-8 decoder and Unicode white
// space (the platform's "whitespace and newlines" set) on UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumra {

// Stands for a byte that is not part of a well-formed UTF-8 sequence; it is
// not a Unicode scalar, so no character class contains it.
inline constexpr char32_t invalidCodePoint = 0xFFFFFFFF;

struct DecodedCodePoint {
    char32_t value;
    std::size_t length; // in bytes, at least 1
};

// The character that starts at offset (< text.size()). Well-formed means
// strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no
// sequence cut short. Anything else decodes as one invalid byte.
DecodedCodePoint decodeUtf8At(std::string_view text, std::size_t offset) noexcept;
// The character that ends at end (> 0), or one invalid byte.
DecodedCodePoint decodeUtf8Before(std::string_view text, std::size_t end) noexcept;
// Whether all of bytes is well-formed UTF-8.
bool isValidUtf8(std::string_view bytes) noexcept;

// Unicode White_Space: tab to carriage return, space, U+0085, U+00A0, U+1680,
// U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
bool isUnicodeWhitespace(std::uint32_t codePoint) noexcept;

// ASCII letters lower-cased, every other byte kept (for schemes and other
// protocol words).
std::string asciiLowercased(std::string_view text);

// Drops white space at both ends. Bytes that are not UTF-8 are kept as they are.
std::string trimmedWhitespaceAndNewlines(std::string_view text);

// Every byte that is not part of a well-formed UTF-8 sequence replaced by
// U+FFFD; well-formed text comes back unchanged.
std::string replacingInvalidUtf8(std::string_view text);

enum class LineBreaks { drop, keep };

// Text fit to show: the control characters (U+0000-U+001F, U+007F,
// U+0080-U+009F) removed, except line feed and tab when line breaks are
// kept; a carriage return is always removed. Bytes that are not UTF-8 are
// kept as they are.
std::string withoutControlCharacters(std::string_view text, LineBreaks lineBreaks);

// The longest start of text of at most maxBytes bytes that ends on a
// character boundary (an invalid byte counts as one character).
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes) noexcept;

} // namespace lumra
