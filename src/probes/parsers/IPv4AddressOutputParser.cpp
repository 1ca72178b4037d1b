// ipconfig address output; see the header.
#include "probes/parsers/IPv4AddressOutputParser.h"

#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/IPAddressValidation.h"
#include "probes/parsers/ToolOutputText.h"

namespace lumra {

std::string parseIPv4AddressOutput(std::string_view output) {
    constexpr std::string_view ipconfigCommand = "/usr/sbin/ipconfig";
    const std::string_view trimmed = trimWhiteSpace(output);
    if (trimmed.empty()) {
        throw CommandParsingError::missingPattern(std::string(ipconfigCommand), "IPv4 address");
    }
    if (!isValidIPv4Address(trimmed)) {
        throw CommandParsingError::invalidIPAddress(std::string(ipconfigCommand),
                                                    std::string(trimmed));
    }
    return std::string(trimmed);
}

} // namespace lumra
