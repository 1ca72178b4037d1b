// Trimming of Unicode whitespace and newlines (tab to carriage return, NEL
// and the space, line and paragraph separators) from both ends of UTF-8
// text. Pure; any thread.
#pragma once

#include <string_view>

namespace lumra {

// Malformed bytes at an end count as text and stop the trimming there.
std::string_view trimWhitespaceAndNewlines(std::string_view text);

} // namespace lumra
