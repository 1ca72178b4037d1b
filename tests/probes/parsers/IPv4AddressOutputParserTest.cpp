#include "probes/parsers/IPv4AddressOutputParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

struct IPv4AddressOutputCase {
    ToolOutput output;
    ParseOutcome<std::string> expected;
};

CommandParsingError missingAddress() {
    return CommandParsingError::missingPattern("/usr/sbin/ipconfig", "IPv4 address");
}

CommandParsingError invalidAddress(std::string value) {
    return CommandParsingError::invalidIPAddress("/usr/sbin/ipconfig", std::move(value));
}

std::vector<IPv4AddressOutputCase> ipv4AddressOutputCases() {
    return {
        {fixture("ipconfig/getoption-router.txt"), std::string("192.168.1.1")},
        {fixture("systool/captured/ipconfig_getoption_lsc0_router.txt"), std::string("10.213.0.1")},
        {fixture("systool/captured/ipconfig_getifaddr_lsc0.txt"), std::string("10.213.0.2")},
        {fixture("ipconfig/getoption-no-router.txt"), missingAddress()},
        {fixture("ipconfig/getoption-ipv6-router.txt"), invalidAddress("fe80::1")},
        {inlineOutput("Unicode white space and line breaks around it", "\u2028 10.0.0.2\u00A0\r\n"),
         std::string("10.0.0.2")},
        {inlineOutput("blank output", "  \n\t\u3000"), missingAddress()},
        {inlineOutput("more than an address", "192.168.1.1 extra\n"),
         invalidAddress("192.168.1.1 extra")},
        {inlineOutput("two lines", "10.0.0.1\n10.0.0.2\n"), invalidAddress("10.0.0.1\n10.0.0.2")},
        {inlineOutput("leading zeros pass as printed", "192.168.001.010\n"),
         std::string("192.168.001.010")},
        {inlineOutput("an octet out of range", "10.0.0.256\n"), invalidAddress("10.0.0.256")},
    };
}

void checkIPv4AddressOutputCases() {
    for (const IPv4AddressOutputCase& c : ipv4AddressOutputCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(outcomeOf([&] { return parseIPv4AddressOutput(c.output.text); }), c.expected);
    }
}

const CaseTableRegistration registration{"parseIPv4AddressOutput", checkIPv4AddressOutputCases};

TEST(IPv4AddressOutputParserTest, GivesTheTrimmedAddressOrSaysWhyNot) {
    checkIPv4AddressOutputCases();
}

} // namespace
} // namespace lumra
