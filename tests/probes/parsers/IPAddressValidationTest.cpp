#include "probes/parsers/IPAddressValidation.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

struct AddressCase {
    std::string text;
    bool expected;
};

void checkAddressTable(bool (*test)(std::string_view), const std::vector<AddressCase>& cases) {
    for (const AddressCase& c : cases) {
        SCOPED_TRACE("address '" + c.text + "'");
        EXPECT_EQ(test(c.text), c.expected);
    }
}

void checkValidIPv4Addresses() {
    checkAddressTable(isValidIPv4Address, {
                                              {"192.168.1.1", true},
                                              {"0.0.0.0", true},
                                              {"255.255.255.255", true},
                                              {"192.168.001.010", true},
                                              {"+1.2.3.4", true},
                                              {"-0.1.2.3", true},
                                              {"1.2.3", false},
                                              {"1.2.3.4.5", false},
                                              {"1..2.3", false},
                                              {"1.2.3.4.", false},
                                              {".1.2.3", false},
                                              {"256.1.1.1", false},
                                              {"1.2.3.-1", false},
                                              {"1.2.3.99999999999999999999", false},
                                              {"1.2.3.4 ", false},
                                              {" 1.2.3.4", false},
                                              {"1.2.3.0x4", false},
                                              {"\u0661.2.3.4", false},
                                              {std::string("1.2.3.4\0", 8), false},
                                              {"", false},
                                              {"...", false},
                                              {"fe80::1", false},
                                          });
}

void checkValidIPv6Addresses() {
    checkAddressTable(isValidIPv6Address, {
                                              {"fe80::1", true},
                                              {"fe80::1%en0", true},
                                              {"fe80::%utun0", true},
                                              {"::", true},
                                              {"::1", true},
                                              {"2001:db8:0:0:1:0:0:1", true},
                                              {"2001:DB8::0001", true},
                                              {"::ffff:192.0.2.1", true},
                                              {"fe80::1%", true},
                                              {"fe80::1%en0%x", true},
                                              {"%en0", false},
                                              {"", false},
                                              {"192.168.1.1", false},
                                              {"fe80::1 ", false},
                                              {"[::1]", false},
                                              {"gggg::1", false},
                                              {"1:2:3:4:5:6:7:8:9", false},
                                              {"1::2::3", false},
                                              {"00001::", false},
                                              {"link#17", false},
                                              {std::string("::1\0:2", 6), false},
                                          });
}

void checkUsableIPv4Addresses() {
    checkAddressTable(isUsableIPv4Address,
                      {
                          {"10.8.0.2", true},
                          {"100.64.0.1", true},
                          {"223.255.255.255", true},
                          {"169.253.1.1", true},
                          {"0.1.2.3", false},
                          {"127.0.0.1", false},
                          {"169.254.3.4", false},
                          {"224.0.0.1", false},
                          {"255.255.255.255", false},
                          // Stricter than the dotted-address test: no leading zeros, no signs.
                          {"10.08.0.2", false},
                          {"+10.8.0.2", false},
                          {"10.8.0", false},
                          {"10.8.0.2 ", false},
                          {"", false},
                      });
}

void checkUsableIPv6Addresses() {
    checkAddressTable(isUsableIPv6Address, {
                                               {"2001:db8::5", true},
                                               {"fd00:1234::2%utun3", true},
                                               {"fec0::1", true},
                                               {"::", false},
                                               {"::1", false},
                                               {"fe80::1%utun0", false},
                                               {"febf::1", false},
                                               {"ff02::1", false},
                                               {"%utun0", false},
                                               {"10.8.0.2", false},
                                               {"", false},
                                           });
}

const CaseTableRegistration ipv4{"isValidIPv4Address", checkValidIPv4Addresses};
const CaseTableRegistration ipv6{"isValidIPv6Address", checkValidIPv6Addresses};
const CaseTableRegistration usableIPv4{"isUsableIPv4Address", checkUsableIPv4Addresses};
const CaseTableRegistration usableIPv6{"isUsableIPv6Address", checkUsableIPv6Addresses};

TEST(IPAddressValidationTest, DottedIPv4NeedsFourIntegerPartsUpTo255) {
    checkValidIPv4Addresses();
}
TEST(IPAddressValidationTest, IPv6IgnoresTheZoneAndNeedsAStandardForm) {
    checkValidIPv6Addresses();
}
TEST(IPAddressValidationTest, UsableIPv4RefusesUnroutableRanges) {
    checkUsableIPv4Addresses();
}
TEST(IPAddressValidationTest, UsableIPv6RefusesUnspecifiedLoopbackLinkLocalAndMulticast) {
    checkUsableIPv6Addresses();
}

TEST(IPAddressValidationTest, StrictParsersGiveNetworkOrderBytes) {
    EXPECT_EQ(parseIPv4AddressBytes("192.0.2.7"), (std::array<std::uint8_t, 4>{192, 0, 2, 7}));
    const auto bytes = parseIPv6AddressBytes("fe80::1");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ((*bytes)[0], 0xFE);
    EXPECT_EQ((*bytes)[1], 0x80);
    EXPECT_EQ((*bytes)[15], 0x01);
    EXPECT_FALSE(parseIPv6AddressBytes("fe80::1%en0").has_value());
}

} // namespace
} // namespace lumra
