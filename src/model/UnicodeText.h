// Text rules shared by every layer: Unicode white space (the platform's
// "whitespace and newlines" set) on UTF-8 text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumra {

// Unicode White_Space: tab to carriage return, space, U+0085, U+00A0, U+1680,
// U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
bool isUnicodeWhitespace(std::uint32_t codePoint) noexcept;

// ASCII letters lower-cased, every other byte kept (for schemes and other
// protocol words).
std::string asciiLowercased(std::string_view text);

// Drops white space at both ends. Bytes that are not UTF-8 are kept as they are.
std::string trimmedWhitespaceAndNewlines(std::string_view text);

} // namespace lumra
