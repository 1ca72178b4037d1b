#include "probes/runner/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumra {
namespace {

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

} // namespace
} // namespace lumra
