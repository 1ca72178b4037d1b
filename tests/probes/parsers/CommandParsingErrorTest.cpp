#include "probes/parsers/CommandParsingError.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(CommandParsingErrorTest, EqualWhenSameCaseAndSameTexts) {
    EXPECT_EQ(CommandParsingError::missingPattern("/sbin/ping", "x"),
              CommandParsingError::missingPattern("/sbin/ping", "x"));
    EXPECT_EQ(CommandParsingError::invalidNumber("/usr/bin/dig", "queryTime", "1"),
              CommandParsingError::invalidNumber("/usr/bin/dig", "queryTime", "1"));
}

TEST(CommandParsingErrorTest, UnequalWhenCaseOrAnyTextDiffers) {
    const auto base = CommandParsingError::invalidNumber("/sbin/ping", "min", "1.1.1");
    EXPECT_NE(base, CommandParsingError::invalidNumber("/sbin/ping6", "min", "1.1.1"));
    EXPECT_NE(base, CommandParsingError::invalidNumber("/sbin/ping", "avg", "1.1.1"));
    EXPECT_NE(base, CommandParsingError::invalidNumber("/sbin/ping", "min", "1.1"));
    // Same texts in another case.
    EXPECT_NE(CommandParsingError::missingPattern("/usr/sbin/ipconfig", "fe80::1"),
              CommandParsingError::invalidIPAddress("/usr/sbin/ipconfig", "fe80::1"));
}

TEST(CommandParsingErrorTest, CasesFollowDeclarationOrderAndCarryTheCommand) {
    const auto missing =
        CommandParsingError::missingPattern("/usr/sbin/netstat", "default <gateway> ...");
    const auto number = CommandParsingError::invalidNumber("/usr/bin/dig", "queryTime", "9");
    const auto address = CommandParsingError::invalidIPAddress("/usr/sbin/ipconfig", "x");
    EXPECT_EQ(missing.errorCase(), CommandParsingError::Case::missingPattern);
    EXPECT_EQ(number.errorCase(), CommandParsingError::Case::invalidNumber);
    EXPECT_EQ(address.errorCase(), CommandParsingError::Case::invalidIPAddress);
    EXPECT_EQ(static_cast<int>(CommandParsingError::Case::invalidIPAddress), 2);
    EXPECT_EQ(missing.command(), "/usr/sbin/netstat");
    EXPECT_EQ(number.command(), "/usr/bin/dig");
    EXPECT_EQ(address.command(), "/usr/sbin/ipconfig");
}

TEST(CommandParsingErrorTest, DescriptionNamesTheCaseAndEveryText) {
    const auto error = CommandParsingError::invalidNumber("/sbin/ping", "min", "1.1.1");
    EXPECT_EQ(error.describe(),
              R"(invalidNumber(command: "/sbin/ping", field: "min", value: "1.1.1"))");
    EXPECT_STREQ(error.what(), error.describe().c_str());
    EXPECT_EQ(
        CommandParsingError::missingPattern("/usr/bin/dig", "Query time: <value> msec").describe(),
        R"(missingPattern(command: "/usr/bin/dig", expected: "Query time: <value> msec"))");
    EXPECT_EQ(CommandParsingError::invalidIPAddress("/usr/sbin/ipconfig", "fe80::1").describe(),
              R"(invalidIPAddress(command: "/usr/sbin/ipconfig", value: "fe80::1"))");
}

TEST(CommandParsingErrorTest, CaughtAsStandardExceptionKeepsItsDescription) {
    try {
        throw CommandParsingError::missingPattern("/sbin/ping", "summary");
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), R"(missingPattern(command: "/sbin/ping", expected: "summary"))");
    }
}

} // namespace
} // namespace lumra
