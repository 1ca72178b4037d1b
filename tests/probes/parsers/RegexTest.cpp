#include "probes/parsers/Regex.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace lumra {
namespace {

using Groups = std::optional<std::vector<std::string>>;

struct CaptureCase {
    std::string description;
    std::string pattern;
    std::string text;
    Groups expected;
};

void checkFirstMatchCaptureGroups() {
    const std::vector<CaptureCase> cases{
        {"a pattern that does not compile", "(", "(", std::nullopt},
        {"a pattern that is not UTF-8", "\xff", "\xff", std::nullopt},
        {"no match", "(x)", "abc", std::nullopt},
        {"no capture group", "b", "abc", Groups(std::vector<std::string>{})},
        {"only the first match counts", "([0-9]+)", "a 12 b 34", Groups({"12"})},
        {"groups in order", "(\\w)(\\w)(\\w)", "abc", Groups({"a", "b", "c"})},
        {"an optional group that matched nothing", "(\\w)(x)?(\\w)", "ab", std::nullopt},
        {"a group that took no part", "(a)|(b)", "b", std::nullopt},
        {"an empty group took part", "a()b", "ab", Groups({""})},
        {"multi-line anchors see CR LF", "(?m)^(\\w+)$", "x y\r\nzz\r\n", Groups({"zz"})},
        {"multi-line anchors see U+2028", "(?m)^(\\w+)$", "x y\u2028zz", Groups({"zz"})},
        {"without (?m) ^ is the text's start", "^(\\w+)$", "x y\nzz", std::nullopt},
        {"\\s is Unicode white space", "a\\s(b)", "a\u00A0b", Groups({"b"})},
        {"\\d is any decimal digit", "(\\d+)", "x\u0663\u0664", Groups({"\u0663\u0664"})},
        {"\\w takes letters of any script", "(\\w+)", "-\u00E9t\u00E9-", Groups({"\u00E9t\u00E9"})},
        {"invalid UTF-8 elsewhere hides no match", "([0-9]+) ms", "\xff\xfe\n12 ms",
         Groups({"12"})},
    };
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(firstMatchCaptureGroups(c.pattern, c.text), c.expected);
    }
}

const CaseTableRegistration registration{"firstMatchCaptureGroups", checkFirstMatchCaptureGroups};

TEST(RegexTest, FirstMatchCaptureGroupsFollowsTheMatchingRules) {
    checkFirstMatchCaptureGroups();
}

TEST(RegexTest, ConstructorRefusesAPatternThatDoesNotCompile) {
    EXPECT_THROW(Regex("a(b"), std::invalid_argument);
    EXPECT_FALSE(Regex::compile("a(b").has_value());
}

TEST(RegexTest, FirstMatchGivesTheMatchedTextAndAbsentGroups) {
    const Regex regex("(x)?(\\d+)");
    const auto match = regex.firstMatch("ab 42");
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->matchedText, "42");
    ASSERT_EQ(match->captureGroups.size(), 2u);
    EXPECT_FALSE(match->captureGroups[0].has_value());
    EXPECT_EQ(match->captureGroups[1], "42");
}

TEST(RegexTest, TextWithANulByteIsSearchedWhole) {
    const std::string text("a\0b 7", 5);
    EXPECT_EQ(firstMatchCaptureGroups("b ([0-9])", text), Groups({"7"}));
}

} // namespace
} // namespace lumra
