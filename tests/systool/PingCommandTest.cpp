#include "systool/PingCommand.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using Arguments = std::vector<std::string>;

struct TranslationCase {
    std::string tool;
    Arguments arguments;
    std::optional<Arguments> expected;
};

TEST(PingCommandTest, TranslatesOnlyTheTwoCommandLines) {
    const std::vector<TranslationCase> cases = {
        {"ping",
         {"-c", "2", "-W", "1500", "192.168.1.1"},
         Arguments{"ping", "-4", "-c", "2", "-W", "1.5", "--", "192.168.1.1"}},
        {"ping",
         {"-c", "1", "-W", "2000", "1.1.1.1"},
         Arguments{"ping", "-4", "-c", "1", "-W", "2", "--", "1.1.1.1"}},
        {"ping",
         {"-c", "02", "-W", "1000", "localhost"},
         Arguments{"ping", "-4", "-c", "2", "-W", "1", "--", "localhost"}},
        {"ping",
         {"-c", "1", "-W", "1000", "bücher.example"},
         Arguments{"ping", "-4", "-c", "1", "-W", "1", "--", "bücher.example"}},
        {"ping6",
         {"-c", "2", "fe80::1%en0"},
         Arguments{"ping", "-6", "-c", "2", "--", "fe80::1%en0"}},
        {"ping6", {"-c", "1", "::1"}, Arguments{"ping", "-6", "-c", "1", "--", "::1"}},
        // Hosts that would be read as options are never passed on.
        {"ping", {"-c", "1", "-W", "1000", "-f"}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", "--"}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", "-"}, std::nullopt},
        {"ping6", {"-c", "1", "-i0.001"}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", ""}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", "a b"}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", "host\n-f"}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", std::string(1026, 'a')}, std::nullopt},
        // Counts iputils and BSD ping both take.
        {"ping", {"-c", "0", "-W", "1000", "127.0.0.1"}, std::nullopt},
        {"ping", {"-c", "-1", "-W", "1000", "127.0.0.1"}, std::nullopt},
        {"ping", {"-c", "+1", "-W", "1000", "127.0.0.1"}, std::nullopt},
        {"ping", {"-c", "2147483648", "-W", "1000", "127.0.0.1"}, std::nullopt},
        {"ping", {"-c", "x", "-W", "1000", "127.0.0.1"}, std::nullopt},
        // Any other shape of command line.
        {"ping", {"-c", "1", "127.0.0.1"}, std::nullopt},
        {"ping", {"-W", "1000", "-c", "1", "127.0.0.1"}, std::nullopt},
        {"ping", {"-c", "1", "-W", "1000", "127.0.0.1", "extra"}, std::nullopt},
        {"ping", {"-c", "1", "-i", "1000", "127.0.0.1"}, std::nullopt},
        {"ping6", {"-c", "1", "-W", "1000", "::1"}, std::nullopt},
        {"ping6", {"::1"}, std::nullopt},
        {"ping", {}, std::nullopt},
        {"netstat", {"-c", "1", "-W", "1000", "127.0.0.1"}, std::nullopt},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(iputilsPingArguments(row.tool, row.arguments), row.expected)
            << row.tool << " " << (row.arguments.empty() ? "" : row.arguments.back());
    }
}

TEST(PingCommandTest, WaitMillisecondsBecomeSecondsNeverZero) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"1500", "1.5"},
        {"2000", "2"},
        {"1000", "1"},
        {"1234", "1.234"},
        {"10", "0.01"},
        {"1", "0.001"},
        {"0", "0.001"},
        {"000", "0.001"},
        {"2147483000", "2147483"},
        {"2147483001", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"-1", std::nullopt},
        {"+5", std::nullopt},
        {"1.5", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {" 1", std::nullopt},
    };
    for (const auto& [milliseconds, seconds] : cases) {
        EXPECT_EQ(waitSecondsText(milliseconds), seconds) << milliseconds;
    }
}

} // namespace
} // namespace lumra
