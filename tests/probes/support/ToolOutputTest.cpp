#include "probes/support/ToolOutput.h"

#include "base/DiagnosticLog.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "tests/support/FakeCommandRunner.h"

#include <gtest/gtest.h>
#include <variant>

namespace lumra {
namespace {

using Output = std::optional<std::string>;
const std::string netstat = "/usr/sbin/netstat -rn";

// Both readings of one answer, and the log lines they left.
struct Reading {
    Output readable;
    Output clean;
    std::vector<std::string> lines;
};

Reading readBoth(const std::variant<std::string, CommandRunnerError>& answer,
                 bool cancelled = false) {
    auto runner = std::make_shared<test::FakeCommandRunner>();
    if (const auto* output = std::get_if<std::string>(&answer))
        runner->succeed(netstat, *output);
    else
        runner->fail(netstat, std::get<CommandRunnerError>(answer));
    Reading reading;
    DiagnosticLog::Capture capture([&](std::string line) { reading.lines.push_back(line); });
    VirtualClockRunLoop loop;
    auto read = [&](auto function) {
        return loop.await(spawn(mainActor(), [runner, function, cancelled]() -> Task<Output> {
            if (cancelled)
                currentTask()->cancel();
            auto request = CommandRequest{"/usr/sbin/netstat", {"-rn"}, 1};
            co_return co_await function(*runner, std::move(request));
        }));
    };
    reading.readable = read(readableOutput);
    reading.clean = read(cleanOutput);
    return reading;
}

// A failure leaves one line, where it was first known: the runner's own
// endings are logged by the runner, so only a non-zero exit that discards
// the output is logged here, with the tool and its status.
TEST(ToolOutputTest, EachEndingGivesItsOutputAndLogsOnlyWhatNobodyLoggedYet) {
    struct Case {
        std::variant<std::string, CommandRunnerError> answer;
        Reading expected;
    };
    const std::string setAside = "lumra: tools: the output of a failed run is set aside: ";
    const std::vector<Case> cases{
        {"table\n", {"table\n", "table\n", {}}},
        {CommandRunnerError::nonZeroExit("/usr/sbin/netstat", 1, "partial\n", ""),
         {"partial\n", std::nullopt, {setAside + "/usr/sbin/netstat exited with status 1"}}},
        {CommandRunnerError::killedBySignal("/usr/sbin/netstat", 9, "", ""),
         {"", std::nullopt, {setAside + "/usr/sbin/netstat was ended by signal 9"}}},
        {CommandRunnerError::timedOut("/usr/sbin/netstat", 1), {std::nullopt, std::nullopt, {}}},
        {CommandRunnerError::launchFailed("/usr/sbin/netstat", "No such file or directory"),
         {std::nullopt, std::nullopt, {}}},
    };
    for (const Case& c : cases) {
        const Reading reading = readBoth(c.answer);
        EXPECT_EQ(reading.readable, c.expected.readable);
        EXPECT_EQ(reading.clean, c.expected.clean);
        EXPECT_EQ(reading.lines, c.expected.lines);
    }
}

TEST(ToolOutputTest, ACancelledCallerReadsNothingAndLogsNothing) {
    const Reading reading = readBoth("table\n", /*cancelled=*/true);
    EXPECT_EQ(reading.readable, std::nullopt);
    EXPECT_EQ(reading.clean, std::nullopt);
    EXPECT_EQ(reading.lines, std::vector<std::string>{});
}

} // namespace
} // namespace lumra
