#include "systool/ToolInvocation.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using Arguments = std::vector<std::string>;

TEST(ToolInvocationTest, ArgvZeroNamesTheToolElseTheFirstArgument) {
    const std::vector<std::pair<Arguments, std::optional<ToolInvocation>>> cases = {
        {{"/sbin/ping", "-c", "2"}, ToolInvocation{"ping", {"-c", "2"}}},
        {{"/sbin/ping6", "-c", "2", "::1"}, ToolInvocation{"ping6", {"-c", "2", "::1"}}},
        {{"/usr/sbin/netstat", "-rn"}, ToolInvocation{"netstat", {"-rn"}}},
        {{"/usr/sbin/scutil", "--nc", "list"}, ToolInvocation{"scutil", {"--nc", "list"}}},
        {{"/sbin/ifconfig"}, ToolInvocation{"ifconfig", {}}},
        {{"ipconfig", "getifaddr", "en0"}, ToolInvocation{"ipconfig", {"getifaddr", "en0"}}},
        {{"/build/bin/lumra-systool", "netstat", "-n", "-p", "tcp"},
         ToolInvocation{"netstat", {"-n", "-p", "tcp"}}},
        {{"lumra-systool", "ifconfig"}, ToolInvocation{"ifconfig", {}}},
        // argv[0] decides even when argv[1] names another tool.
        {{"/sbin/ping", "netstat"}, ToolInvocation{"ping", {"netstat"}}},
        {{"lumra-systool"}, std::nullopt},
        {{"lumra-systool", "dig", "example.invalid"}, ToolInvocation{"dig", {"example.invalid"}}},
        {{"lumra-systool", "nslookup", "example.invalid"}, std::nullopt},
        {{"lumra-systool", "/sbin/ping", "-c", "1"}, std::nullopt},
        {{"/usr/bin/dig", "ping"}, ToolInvocation{"dig", {"ping"}}},
        {{"/usr/bin/nslookup", "ping"}, ToolInvocation{"ping", {}}},
        {{"/sbin/pingx"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [argv, expected] : cases) {
        EXPECT_EQ(toolInvocation(argv), expected) << (argv.empty() ? "(empty)" : argv.front());
    }
}

} // namespace
} // namespace lumra
