#include "model/UnicodeText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

TEST(UnicodeTextTest, TrimsUnicodeWhiteSpaceAtBothEndsOnly) {
    struct Case {
        std::string text;
        std::string trimmed;
    };
    const std::vector<Case> cases{
        {"", ""},
        {"  1.1.1.1 \n", "1.1.1.1"},
        {"\t\r\n\v\f", ""},
        {"\xC2\xA0Home Wi-Fi\xE2\x80\xA8", "Home Wi-Fi"}, // no-break space, line separator
        {"\xE3\x80\x80"
         "caf\xC3\xA9\xC2\x85",
         "caf\xC3\xA9"}, // ideographic space, U+0085
        {"a  b", "a  b"},
        {"\xE2\x80\x8B x", "\xE2\x80\x8B x"}, // zero-width space is not white space
        {" \xFF ", "\xFF"},                   // stray bytes are kept
        {"\t\n\v\f\r home net \r\n", "home net"},
        {"\xe3\x80\x80"
         "\xe2\x80\x83"
         "a"
         "\xe1\x9a\x80",
         "a"}, // ideographic, em, ogham
        {"\xc2\xa0"
         "a b"
         "\xe2\x80\xaf",
         "a b"},                      // no-break spaces
        {"\xe3\x80 a", "\xe3\x80 a"}, // a cut-off sequence stops the trimming
        {"\xc0\xa0x", "\xc0\xa0x"},   // an overlong space is not a space
        {"   ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(trimmedWhitespaceAndNewlines(c.text), c.trimmed)
            << testing::PrintToString(c.text);
}

TEST(Utf8Test, AcceptsWellFormedTextAndRefusesEveryMalformedShape) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const std::vector<Case> cases{
        {"", true},
        {std::string("a\0b", 3), true},
        {"Caf\xC3\xA9 \xE2\x86\x91 \xF0\x9F\x93\xB6", true},
        {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
        {"\x80", false},             // a lone continuation byte
        {"\xC3", false},             // cut short
        {"\xC0\xAF", false},         // overlong "/"
        {"\xE0\x80\xAF", false},     // overlong
        {"\xED\xA0\x80", false},     // a surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xFF\xFE", false},
        {"\xE2\x86", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(Utf8Test, DecodesForwardAndBackwardAndTakesAMalformedByteAlone) {
    struct Case {
        std::string text;
        std::size_t offset; // decoded at, and before text.size()
        char32_t atValue;
        std::size_t atLength;
        char32_t lastValue;
        std::size_t lastLength;
    };
    const std::vector<Case> cases{
        {"a", 0, U'a', 1, U'a', 1},
        {"\xC3\xA9", 0, 0xE9, 2, 0xE9, 2},
        {"x\xE2\x80\xA8", 1, 0x2028, 3, 0x2028, 3},
        {"\xF0\x9F\x93\xB6", 0, 0x1F4F6, 4, 0x1F4F6, 4},
        {"\xC0\xA0", 0, invalidCodePoint, 1, invalidCodePoint, 1},         // overlong space
        {"\xE3\x80", 0, invalidCodePoint, 1, invalidCodePoint, 1},         // cut short
        {"\x80\x80\x80\x80", 0, invalidCodePoint, 1, invalidCodePoint, 1}, // only continuations
        {"\xED\xA0\x80", 0, invalidCodePoint, 1, invalidCodePoint, 1},     // a surrogate
        {"a\xFF", 1, invalidCodePoint, 1, invalidCodePoint, 1},
    };
    for (const Case& c : cases) {
        const DecodedCodePoint at = decodeUtf8At(c.text, c.offset);
        EXPECT_EQ(at.value, c.atValue) << testing::PrintToString(c.text);
        EXPECT_EQ(at.length, c.atLength) << testing::PrintToString(c.text);
        const DecodedCodePoint last = decodeUtf8Before(c.text, c.text.size());
        EXPECT_EQ(last.value, c.lastValue) << testing::PrintToString(c.text);
        EXPECT_EQ(last.length, c.lastLength) << testing::PrintToString(c.text);
    }
}

TEST(DisplayTextTest, ControlCharactersGoAndLineBreaksStayOnlyWhenAsked) {
    struct Case {
        std::string text;
        LineBreaks lineBreaks;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"plain é text", LineBreaks::drop, "plain é text"},
        {"a\x1b[0mb\x07\x7f", LineBreaks::drop, "a[0mb"},
        {std::string("a\0b", 3), LineBreaks::drop, "ab"},
        {"one\r\ntwo\tthree", LineBreaks::drop, "onetwothree"},
        {"one\r\ntwo\tthree", LineBreaks::keep, "one\ntwo\tthree"},
        // C1 controls are two bytes in UTF-8; U+00A0 just after them stays.
        {"a\u0085b\u009b\u00a0", LineBreaks::keep, "ab\u00a0"},
        // A byte that is no UTF-8 is not taken for a C1 control.
        {"a\x85z", LineBreaks::drop, "a\x85z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withoutControlCharacters(c.text, c.lineBreaks), c.expected) << c.text;
}

TEST(DisplayTextTest, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(replacingInvalidUtf8("Caf\u00e9"), "Caf\u00e9");
    EXPECT_EQ(replacingInvalidUtf8("Caf\xe9!"), "Caf\uFFFD!");
    EXPECT_EQ(replacingInvalidUtf8("\xed\xa0\x80"), "\uFFFD\uFFFD\uFFFD") << "a surrogate";
    EXPECT_EQ(replacingInvalidUtf8("ab\xe2\x82"), "ab\uFFFD\uFFFD") << "cut short";
}

TEST(DisplayTextTest, APrefixEndsOnACharacterBoundary) {
    EXPECT_EQ(utf8Prefix("abc", 5), "abc");
    EXPECT_EQ(utf8Prefix("abcdef", 3), "abc");
    EXPECT_EQ(utf8Prefix("ab\u00e9", 3), "ab");
    EXPECT_EQ(utf8Prefix("ab\u20ac", 4), "ab");
    EXPECT_EQ(utf8Prefix("ab\u20ac", 5), "ab\u20ac");
    EXPECT_EQ(utf8Prefix("a\xff\xff", 2), "a\xff");
}

} // namespace
} // namespace lumra
