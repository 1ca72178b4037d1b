#include "probes/wifi/WhitespaceTrimming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumra {
namespace {

TEST(WhitespaceTrimmingTest, TrimsUnicodeWhitespaceAndNewlinesAtBothEndsOnly) {
    struct Row {
        std::string text;
        std::string trimmed;
    };
    const std::vector<Row> rows = {
        {"home", "home"},
        {"  home  ", "home"},
        {"\t\n\v\f\r home net \r\n", "home net"},
        {"\xc2\x85" "a" "\xc2\x85", "a"},                       // NEL
        {"\xc2\xa0" "a b" "\xe2\x80\xaf", "a b"},              // no-break spaces
        {"\xe2\x80\xa8" "a" "\xe2\x80\xa9", "a"},              // line and paragraph separators
        {"\xe3\x80\x80" "\xe2\x80\x83" "a" "\xe1\x9a\x80", "a"}, // ideographic, em, ogham
        {"\xe2\x80\x8b" "a" "\xe2\x80\x8b", "\xe2\x80\x8b" "a" "\xe2\x80\x8b"}, // zero width is not space
        {"caf\xc3\xa9 ", "caf\xc3\xa9"},
        {"   ", ""},
        {"", ""},
        {" \xff ", "\xff"},     // malformed bytes stop the trimming
        {"\xe3\x80 a", "\xe3\x80 a"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(trimWhitespaceAndNewlines(row.text), row.trimmed) << row.text;
    }
}

} // namespace
} // namespace lumra
