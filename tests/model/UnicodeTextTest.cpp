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
        {"\xC2\xA0Home Wi-Fi\xE2\x80\xA8", "Home Wi-Fi"},     // no-break space, line separator
        {"\xE3\x80\x80" "caf\xC3\xA9\xC2\x85", "caf\xC3\xA9"},   // ideographic space, U+0085
        {"a  b", "a  b"},
        {"\xE2\x80\x8B x", "\xE2\x80\x8B x"},                 // zero-width space is not white space
        {" \xFF ", "\xFF"},                                   // stray bytes are kept
        {"\t\n\v\f\r home net \r\n", "home net"},
        {"\xe3\x80\x80" "\xe2\x80\x83" "a" "\xe1\x9a\x80", "a"},   // ideographic, em, ogham
        {"\xc2\xa0" "a b" "\xe2\x80\xaf", "a b"},                   // no-break spaces
        {"\xe3\x80 a", "\xe3\x80 a"},                              // a cut-off sequence stops the trimming
        {"\xc0\xa0x", "\xc0\xa0x"},                                // an overlong space is not a space
        {"   ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(trimmedWhitespaceAndNewlines(c.text), c.trimmed) << testing::PrintToString(c.text);
}

} // namespace
} // namespace lumra
