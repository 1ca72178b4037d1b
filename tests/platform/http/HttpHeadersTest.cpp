#include "platform/http/HttpHeaders.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace lumra {
namespace {

TEST(HttpHeadersTest, LooksUpNamesWithoutRegardToCaseAndJoinsRepeatedFields) {
    const HttpHeaders headers{{"Location", "/login"},
                              {"Set-Thing", "a"},
                              {"content-type", "text/html"},
                              {"SET-THING", "b"}};
    struct Row {
        std::string name;
        std::optional<std::string> expected;
    };
    const std::vector<Row> rows{
        {"Location", "/login"}, {"location", "/login"},
        {"LOCATION", "/login"}, {"Content-Type", "text/html"},
        {"set-thing", "a, b"},  {"Locatio", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(headers.value(row.name), row.expected);
    }
}

TEST(HttpHeadersTest, SetReplacesEveryFieldOfThatNameInAnyCase) {
    HttpHeaders headers{{"pragma", "a"}, {"Accept", "*/*"}, {"PRAGMA", "b"}};
    headers.set("Pragma", "no-cache");
    EXPECT_EQ(headers.fields(),
              (std::vector<HttpHeaderField>{{"Accept", "*/*"}, {"Pragma", "no-cache"}}));
}

} // namespace
} // namespace lumra
