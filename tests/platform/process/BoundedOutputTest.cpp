#include "platform/process/BoundedOutput.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

std::string kept(std::size_t limit, const std::vector<std::string>& pieces) {
    BoundedOutput output(limit);
    for (const std::string& piece : pieces)
        output.append(piece);
    return output.take();
}

TEST(BoundedOutputTest, KeepsEverythingUpToTheLimitAndTheEndsInWholeLinesPastIt) {
    struct Case {
        const char* name;
        std::size_t limit;
        std::vector<std::string> pieces;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"under the limit", 20, {"one\n", "two\n"}, "one\ntwo\n"},
        {"exactly the limit", 8, {"one\n", "two\n"}, "one\ntwo\n"},
        {"past it: first and last lines",
         16,
         {"aa\nbb\n", "cc\ndd\n", "ee\nff\n"},
         "aa\nbb\nee\nff\n"},
        {"past it in one piece", 16, {"aa\nbb\ncc\ndd\nee\nff\n"}, "aa\nbb\nee\nff\n"},
        {"a line cut in the middle is dropped",
         12,
         {"first\n", "xxxxxxxx", "xx\nlast\n"},
         "first\nlast\n"},
        {"no line end: whole characters only",
         6,
         {"\u00e9\u00e9\u00e9\u00e9\u00e9"},
         "\u00e9\u00e9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kept(c.limit, c.pieces), c.expected) << c.name;
}

TEST(BoundedOutputTest, AFloodKeepsBoundedMemoryAndItsLastLines) {
    BoundedOutput output(1000);
    const std::string reply = "64 bytes from 10.0.0.1: icmp_seq=1 ttl=64 time=0.1 ms (DUP!)\n";
    for (int i = 0; i < 100'000; ++i)
        output.append(reply);
    output.append("--- 10.0.0.1 ping statistics ---\n");
    const std::string text = output.take();
    EXPECT_LE(text.size(), 1000u);
    EXPECT_TRUE(text.starts_with(reply));
    EXPECT_TRUE(text.ends_with(reply + "--- 10.0.0.1 ping statistics ---\n"));
}

} // namespace
} // namespace lumra
