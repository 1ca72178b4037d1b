#include "probes/parsers/ToolOutputText.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

using Pieces = std::vector<std::string_view>;

struct SplitCase {
    std::string description;
    std::string text;
    Pieces expected;
};

void checkLineSplitting() {
    const std::vector<SplitCase> cases{
        {"line feed", "a\nb", {"a", "b"}},
        {"carriage return and line feed are one break", "a\r\nb", {"a", "b"}},
        {"lone carriage return", "a\rb", {"a", "b"}},
        {"vertical tab", "a\vb", {"a", "b"}},
        {"form feed", "a\fb", {"a", "b"}},
        {"next line U+0085", "a\u0085b", {"a", "b"}},
        {"line separator U+2028", "a\u2028b", {"a", "b"}},
        {"paragraph separator U+2029", "a\u2029b", {"a", "b"}},
        {"empty lines dropped, blanks kept", "\n\n a \r\n\r\n", {" a "}},
        {"no-break space is no line break", "a\u00A0b", {"a\u00A0b"}},
        {"tab is no line break", "a\tb", {"a\tb"}},
        {"empty output", "", {}},
        {"invalid UTF-8 stays inside its line", "a\xff\nb", {"a\xff", "b"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(splitLines(c.text), c.expected);
    }
}

void checkFieldSplitting() {
    const std::vector<SplitCase> cases{
        {"runs and ends of blanks give no empty fields", "  a  b\t\tc ", {"a", "b", "c"}},
        {"no-break space", "a\u00A0b", {"a", "b"}},
        {"narrow no-break space", "a\u202Fb", {"a", "b"}},
        {"ideographic space", "a\u3000b", {"a", "b"}},
        {"ogham space mark", "a\u1680b", {"a", "b"}},
        {"en quad to hair space", "a\u2000b\u200Ac", {"a", "b", "c"}},
        {"medium mathematical space", "a\u205Fb", {"a", "b"}},
        {"line breaks are white space", "a\u2028b\u0085c\vd", {"a", "b", "c", "d"}},
        {"zero width space is not white space", "a\u200Bb", {"a\u200Bb"}},
        {"Mongolian vowel separator is not white space", "a\u180Eb", {"a\u180Eb"}},
        {"invalid UTF-8 is not white space", "a\xa0 b", {"a\xa0", "b"}},
        {"blank line", " \t ", {}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(splitFields(c.text), c.expected);
    }
}

struct TrimCase {
    std::string description;
    std::string_view (*trim)(std::string_view);
    std::string text;
    std::string expected;
};

void checkTrimming() {
    const std::vector<TrimCase> cases{
        {"white space and line breaks", trimWhiteSpace, "\u2029\r\n \u00A0x y\t\u3000\n", "x y"},
        {"white space only", trimWhiteSpace, " \n\t", ""},
        {"blanks keep line breaks", trimBlanks, "\t \u00A0x\n ", "x\n"},
        {"blanks include the space separators", trimBlanks, "\u2003x\u202F", "x"},
        {"parentheses", trimPunctuation, "(ESTABLISHED)", "ESTABLISHED"},
        {"connector, dash and other punctuation", trimPunctuation, "_-!x.,;_", "x"},
        {"inner punctuation stays", trimPunctuation, "'TIME_WAIT'", "TIME_WAIT"},
        {"non-ASCII punctuation", trimPunctuation, "\u00AB\u300Cx\u2026\u00BB", "x"},
        {"symbols are not punctuation", trimPunctuation, "$x+|~^`<>", "$x+|~^`<>"},
        {"all punctuation", trimPunctuation, "()", ""},
        {"invalid UTF-8 is not punctuation", trimPunctuation, "\xff(x)\x80", "\xff(x)\x80"},
        {"a truncated sequence at the end", trimPunctuation, "x.\xe2\x80", "x.\xe2\x80"},
    };
    for (const TrimCase& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(c.trim(c.text), c.expected);
    }
}

void checkCaseMapping() {
    EXPECT_EQ(uppercasedForASCIIComparison("established"), "ESTABLISHED");
    EXPECT_EQ(uppercasedForASCIIComparison("Time_Wait"), "TIME_WAIT");
    // Full case mapping turns these into ASCII letters.
    EXPECT_EQ(uppercasedForASCIIComparison("establ\u0131\u017Fhed"), "ESTABLISHED");
    EXPECT_EQ(uppercasedForASCIIComparison("e\uFB06ablished"), "ESTABLISHED");
    EXPECT_EQ(uppercasedForASCIIComparison("\u00DF\uFB03"), "SSFFI");
    EXPECT_EQ(uppercasedForASCIIComparison("\u00E9\xff"), "\u00E9\xff");
    EXPECT_EQ(lowercasedForASCIIComparison("TCP4"), "tcp4");
    EXPECT_EQ(lowercasedForASCIIComparison("Dis\u212Aed"), "disked");
    EXPECT_EQ(lowercasedForASCIIComparison("\u00C9"), "\u00C9");
}

struct DecimalCase {
    std::string text;
    std::optional<double> expected;
};

void checkDecimalConversion() {
    const std::vector<DecimalCase> cases{
        {"12", 12.0},
        {"12.5", 12.5},
        {"12.", 12.0},
        {".5", 0.5},
        {"0.172", 0.172},
        {"-2.5", -2.5},
        {"+2.5", 2.5},
        {"1e3", 1000.0},
        {"2.5E-1", 0.25},
        {"0x1p4", 16.0},
        {"0X10", 16.0},
        {"1.2.3", std::nullopt},
        {".", std::nullopt},
        {"", std::nullopt},
        {" 12", std::nullopt},
        {"12 ", std::nullopt},
        {"12,5", std::nullopt},
        {"+-1", std::nullopt},
        {"--1", std::nullopt},
        {"+", std::nullopt},
        {"0x", std::nullopt},
        {"1e", std::nullopt},
        {"\u0661\u0662", std::nullopt},
        // Not finite: a measurement never carries these.
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1e400", std::nullopt},
        {std::string(400, '9'), std::nullopt},
    };
    for (const DecimalCase& c : cases) {
        SCOPED_TRACE("decimal '" + c.text + "'");
        EXPECT_EQ(parseDecimal(c.text), c.expected);
    }
}

struct IntegerCase {
    std::string text;
    std::optional<std::int64_t> expected;
};

void checkIntegerConversion() {
    const std::vector<IntegerCase> cases{
        {"0", 0},
        {"007", 7},
        {"+1", 1},
        {"-1", -1},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"+-1", std::nullopt},
        {"++1", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1.0", std::nullopt},
        {"0x1", std::nullopt},
        {"\u0663", std::nullopt},
    };
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE("integer '" + c.text + "'");
        EXPECT_EQ(parseInteger(c.text), c.expected);
    }
}

const CaseTableRegistration lines{"splitLines", checkLineSplitting};
const CaseTableRegistration fields{"splitFields", checkFieldSplitting};
const CaseTableRegistration trimming{"trimming", checkTrimming};
const CaseTableRegistration caseMapping{"case mapping", checkCaseMapping};
const CaseTableRegistration decimals{"parseDecimal", checkDecimalConversion};
const CaseTableRegistration integers{"parseInteger", checkIntegerConversion};

TEST(ToolOutputTextTest, LinesBreakAtEveryUnicodeLineBreakAndDropEmptyLines) {
    checkLineSplitting();
}
TEST(ToolOutputTextTest, FieldsBreakAtUnicodeWhiteSpace) {
    checkFieldSplitting();
}
TEST(ToolOutputTextTest, TrimmingRemovesOnlyItsOwnCharacterClass) {
    checkTrimming();
}
TEST(ToolOutputTextTest, CaseMappingDecidesEqualityWithASCII) {
    checkCaseMapping();
}
TEST(ToolOutputTextTest, DecimalsReadAsTheCLocaleDoesAndWholly) {
    checkDecimalConversion();
}
TEST(ToolOutputTextTest, IntegersTakeOneOptionalSignAndDigitsInRange) {
    checkIntegerConversion();
}

} // namespace
} // namespace lumra
