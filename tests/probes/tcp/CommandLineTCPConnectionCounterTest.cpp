#include "probes/tcp/CommandLineTCPConnectionCounter.h"

#include "concurrency/RunLoop.h"
#include "tests/support/AwaitTask.h"
#include "tests/support/FakeCommandRunner.h"

#include <gtest/gtest.h>
#include <variant>

namespace lumra {
namespace {

using test::awaitTask;

TEST(TCPConnectionCountTest, CountsCleanRunsAndFailingRunsOnlyWhenTheyListedSockets) {
    const std::string listing =
        "Active Internet connections\n"
        "Proto Recv-Q Send-Q  Local Address          Foreign Address        (state)\n"
        "tcp4       0      0  192.168.1.20.52000     17.1.1.1.443           ESTABLISHED\n"
        "tcp6       0      0  ::1.52001              ::1.8080               ESTABLISHED\n"
        "tcp4       0      0  192.168.1.20.52002     17.1.1.1.443           TIME_WAIT\n";
    const std::string netstat = "/usr/sbin/netstat -n -p tcp";
    struct Case {
        std::variant<std::string, CommandRunnerError> answer;
        TCPConnectionCountOutcome outcome;
    };
    const std::vector<Case> cases{
        {listing, {TCPConnectionStateCounts{2, 1, 0}, true}},
        {std::string("Active Internet connections\n"), {TCPConnectionStateCounts{0, 0, 0}, true}},
        {CommandRunnerError::nonZeroExit("/usr/sbin/netstat", 1, listing, ""),
         {TCPConnectionStateCounts{2, 1, 0}, true}},
        {CommandRunnerError::nonZeroExit("/usr/sbin/netstat", 1, "netstat: no such table\n", ""),
         {std::nullopt, false}},
        {CommandRunnerError::launchFailed("/usr/sbin/netstat", "No such file or directory"),
         {std::nullopt, false}},
        {CommandRunnerError::timedOut("/usr/sbin/netstat", 1.5), {std::nullopt, false}},
    };
    VirtualClockRunLoop loop;
    for (const Case& c : cases) {
        auto runner = std::make_shared<test::FakeCommandRunner>();
        if (auto* output = std::get_if<std::string>(&c.answer))
            runner->succeed(netstat, *output);
        else
            runner->fail(netstat, std::get<CommandRunnerError>(c.answer));
        CommandLineTCPConnectionCounter counter(runner);
        EXPECT_EQ(awaitTask(loop, counter.countConnections(1.5)), c.outcome);
        EXPECT_EQ(runner->requests.at(0).timeout, 1.5);
    }
}

} // namespace
} // namespace lumra
