// The Exec= value of a desktop entry (freedesktop Desktop Entry
// Specification): arguments quoted where they hold reserved characters, "%"
// doubled so it is no field code, then the string escapes of the file format.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumra {

// No value when an argument cannot stand in a desktop entry: empty
// arguments, bytes that are not UTF-8, control characters other than tab,
// newline and carriage return.
std::optional<std::string> desktopEntryExecValue(const std::vector<std::string>& arguments);

} // namespace lumra
