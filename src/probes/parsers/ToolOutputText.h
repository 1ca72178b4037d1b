// Text rules shared by the tool-output parsers: line and field splitting,
// trimming, case folding for comparisons and number conversion. Everything
// works on UTF-8 code points; a byte that does not start a valid UTF-8
// sequence counts as one character that is neither blank, line break nor
// punctuation. Pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// Line feed, carriage return, vertical tab, form feed, U+0085, U+2028, U+2029.
bool isLineBreak(char32_t character) noexcept;
// The Unicode White_Space property: blanks, tabs, no-break spaces and the
// line breaks above.
bool isWhiteSpace(char32_t character) noexcept;
// Tab and the space separators (general category Zs); no line breaks.
bool isBlank(char32_t character) noexcept;
// Any of the Unicode punctuation categories (Pc, Pd, Ps, Pe, Pi, Pf, Po).
bool isPunctuation(char32_t character);

// Pieces between line breaks, empty pieces dropped (so CR LF is one break).
std::vector<std::string_view> splitLines(std::string_view output);
// Pieces between White_Space characters, empty pieces dropped.
std::vector<std::string_view> splitFields(std::string_view line);
// Pieces between occurrences of one byte, empty pieces dropped.
std::vector<std::string_view> splitAtByte(std::string_view text, char separator);

std::string_view trimWhiteSpace(std::string_view text);
std::string_view trimBlanks(std::string_view text);
std::string_view trimPunctuation(std::string_view text);

// Full Unicode case mapping, as far as it can decide equality with (or a
// prefix of) ASCII text: ASCII letters are mapped, so are the few other
// characters whose mapping is all ASCII (such as U+0131 and U+FB06 upwards,
// the Kelvin sign downwards); every other character is kept as it is, which
// can never equal ASCII text either way.
std::string uppercasedForASCIIComparison(std::string_view text);
std::string lowercasedForASCIIComparison(std::string_view text);

// The whole text as one number as the C locale's string-to-double conversion
// reads it ("12", "12.5", "12.", ".5", "-1e3", "0x1p4"), nothing before or
// after it. Independent of the process locale. Texts whose value is not a
// finite double ("inf", "nan", 400 digits) do not convert.
std::optional<double> parseDecimal(std::string_view text);
// An optional single "+" or "-", then one or more ASCII digits, in range.
std::optional<std::int64_t> parseInteger(std::string_view text);

} // namespace lumra
