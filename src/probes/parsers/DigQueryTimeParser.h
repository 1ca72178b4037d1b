// Reads the ";; Query time: N msec" line of dig's answer. Pure, any thread.
#pragma once

#include <string_view>

namespace lumra {

// The query time in milliseconds (a whole number). Throws
// CommandParsingError with command "/usr/bin/dig": missingPattern without
// the line, invalidNumber (field "queryTime") when the figure does not
// convert.
double parseDigQueryTime(std::string_view output);

} // namespace lumra
