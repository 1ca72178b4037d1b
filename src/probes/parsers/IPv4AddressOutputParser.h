// Reads the one address that "ipconfig getoption IF router" and
// "ipconfig getifaddr IF" print. Pure, any thread.
#pragma once

#include <string>
#include <string_view>

namespace lumra {

// The output trimmed of white space and line breaks, when it is a dotted
// IPv4 address (isValidIPv4Address). Throws CommandParsingError with
// command "/usr/sbin/ipconfig": missingPattern (expected "IPv4 address")
// for blank output, invalidIPAddress with the trimmed text otherwise.
std::string parseIPv4AddressOutput(std::string_view output);

} // namespace lumra
