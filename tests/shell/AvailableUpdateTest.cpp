#include "shell/update/AvailableUpdate.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumra {
namespace {

using std::nullopt;

struct DecodeCase {
    std::string json;
    std::optional<AvailableUpdate> expected;
};

const AvailableUpdate full{"2.1.0", 121, "2026-12-10", "builds/a.dmg", "Faster scans.", "13.0"};
const AvailableUpdate bare{"2.1.0", 121, "2026-12-10", "builds/a.dmg", nullopt, nullopt};

TEST(AvailableUpdateTest, DecodesTheRecordAndRefusesWrongShapesAndTypes) {
    const std::string required =
        R"("version":"2.1.0","buildNumber":121,"releaseDate":"2026-12-10","downloadUrl":"builds/a.dmg")";
    const std::vector<DecodeCase> cases = {
        {"{" + required + R"(,"releaseNotes":"Faster scans.","minimumSystemVersion":"13.0"})",
         full},
        {"{" + required + "}", bare},
        {"{" + required + R"(,"releaseNotes":null,"minimumSystemVersion":null})", bare},
        {"{" + required + R"(,"somethingNew":[1,2],"channel":"beta"})", bare},
        {"  \n{" + required + "}\n ", bare},
        {R"({"version":"2.1.0","buildNumber":"121","releaseDate":"d","downloadUrl":""})", nullopt},
        {R"({"version":"2.1.0","buildNumber":121.5,"releaseDate":"d","downloadUrl":""})", nullopt},
        {R"({"version":"2.1.0","buildNumber":true,"releaseDate":"d","downloadUrl":""})", nullopt},
        {R"({"version":"2.1.0","buildNumber":9223372036854775808,"releaseDate":"d","downloadUrl":""})",
         nullopt},
        {R"({"version":2.1,"buildNumber":121,"releaseDate":"d","downloadUrl":""})", nullopt},
        {R"({"buildNumber":121,"releaseDate":"d","downloadUrl":""})", nullopt},
        {R"({"version":"2.1.0","buildNumber":121,"releaseDate":"d"})", nullopt},
        {R"({"version":"2.1.0","buildNumber":121,"downloadUrl":""})", nullopt},
        {R"({"version":"2.1.0","releaseDate":"d","downloadUrl":""})", nullopt},
        {R"({"version":null,"buildNumber":121,"releaseDate":"d","downloadUrl":""})", nullopt},
        {"{" + required + R"(,"releaseNotes":42})", nullopt},
        {"{" + required + R"(,"minimumSystemVersion":["13"]})", nullopt},
        {"[{" + required + "}]", nullopt},
        {R"("a string")", nullopt},
        {"", nullopt},
        {"{" + required, nullopt},
        {"<html>Service unavailable</html>", nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AvailableUpdate::decode(c.json), c.expected) << c.json;
}

TEST(AvailableUpdateTest, NegativeAndLargeBuildNumbersAreWholeNumbers) {
    const auto negative = AvailableUpdate::decode(
        R"({"version":"v","buildNumber":-4,"releaseDate":"d","downloadUrl":""})");
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->buildNumber, -4);
    const auto largest = AvailableUpdate::decode(
        R"({"version":"v","buildNumber":9223372036854775807,"releaseDate":"d","downloadUrl":""})");
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->buildNumber, 9223372036854775807);
}

TEST(AvailableUpdateTest, EncodingLeavesAbsentFieldsOutAndDecodesBack) {
    EXPECT_EQ(bare.encode().find("releaseNotes"), std::string::npos);
    EXPECT_EQ(bare.encode().find("minimumSystemVersion"), std::string::npos);
    EXPECT_EQ(AvailableUpdate::decode(bare.encode()), bare);
    EXPECT_EQ(AvailableUpdate::decode(full.encode()), full);
}

} // namespace
} // namespace lumra
