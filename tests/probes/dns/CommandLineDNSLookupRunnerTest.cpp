#include "probes/dns/CommandLineDNSLookupRunner.h"

#include "base/DiagnosticLog.h"
#include "concurrency/RunLoop.h"
#include "tests/probes/parsers/ParserCases.h"
#include "tests/support/AwaitTask.h"
#include "tests/support/FakeCommandRunner.h"

#include <cmath>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::awaitTask;

TEST(DigCommandLineTest, WaitsTheTimeoutRoundedUpToWholeSecondsAtLeastOne) {
    struct Case {
        double timeout;
        std::string time;
    };
    for (const Case& c : std::vector<Case>{{1.5, "+time=2"},
                                           {2.0, "+time=2"},
                                           {0.2, "+time=1"},
                                           {0, "+time=1"},
                                           {-4, "+time=1"},
                                           {std::nan(""), "+time=1"}}) {
        const CommandRequest request = digCommandLine("a.test", c.timeout);
        EXPECT_EQ(request.arguments, (std::vector<std::string>{c.time, "+tries=1", "a.test"}))
            << c.timeout;
        EXPECT_EQ(request.executable, "/usr/bin/dig");
    }
    EXPECT_EQ(digCommandLine("a.test", 1.5).timeout, 1.5) << "the process gets the timeout itself";
}

TEST(DNSLookupTest, ReadsTheQueryTimeFromCleanAndFailingRuns) {
    VirtualClockRunLoop loop;
    auto runner = std::make_shared<test::FakeCommandRunner>();
    runner->succeed("/usr/bin/dig +time=2 +tries=1 clean.test", ";; Query time: 17 msec\n");
    runner->fail(
        "/usr/bin/dig +time=2 +tries=1 failing.test",
        CommandRunnerError::nonZeroExit("/usr/bin/dig", 9, ";; Query time: 40 msec\n", ""));
    runner->succeed("/usr/bin/dig +time=2 +tries=1 malformed.test", ";; ANSWER SECTION:\n");
    runner->fail("/usr/bin/dig +time=2 +tries=1 slow.test",
                 CommandRunnerError::timedOut("/usr/bin/dig", 1.5));
    CommandLineDNSLookupRunner dns(runner);
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(line); });
    EXPECT_EQ(awaitTask(loop, dns.lookup("clean.test", 1.5)), (DNSLookupOutcome{17, true}));
    EXPECT_EQ(awaitTask(loop, dns.lookup("failing.test", 1.5)), (DNSLookupOutcome{40, true}));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(awaitTask(loop, dns.lookup("malformed.test", 1.5)),
              (DNSLookupOutcome{std::nullopt, false}));
    EXPECT_EQ(lines, std::vector<std::string>{
                         "lumra: dns: the output has no usable query time: missingPattern(command: "
                         "\"/usr/bin/dig\", expected: \"Query time: <value> msec\")"});
    EXPECT_EQ(awaitTask(loop, dns.lookup("slow.test", 1.5)),
              (DNSLookupOutcome{std::nullopt, false}));
}

// A resolver that never answers, in lumra-systool's words (captured) and in
// dig 9.10's: a failed lookup. SERVFAIL is an answer with a query time, so
// it is timed like any other.
TEST(DNSLookupTest, ASilentResolverFailsTheLookupAndSERVFAILIsTimed) {
    VirtualClockRunLoop loop;
    const std::string faults = "systool/captured/faults/";
    struct Case {
        ToolOutput output;
        int exitStatus;
        DNSLookupOutcome expected;
    };
    const std::vector<Case> cases{
        {fixture(faults + "dig_+time=1_+tries=1_fault.lumra.test.silent.txt"), 9,
         DNSLookupOutcome{std::nullopt, false}},
        {fixture("dig/timed-out.txt"), 9, DNSLookupOutcome{std::nullopt, false}},
        {fixture(faults + "dig_+time=1_+tries=1_fault.lumra.test.servfail.txt"), 0,
         DNSLookupOutcome{0, true}},
    };
    for (const Case& c : cases) {
        auto runner = std::make_shared<test::FakeCommandRunner>();
        const std::string commandLine = "/usr/bin/dig +time=1 +tries=1 fault.lumra.test";
        if (c.exitStatus == 0)
            runner->succeed(commandLine, c.output.text);
        else
            runner->fail(commandLine, CommandRunnerError::nonZeroExit("/usr/bin/dig", c.exitStatus,
                                                                      c.output.text, ""));
        CommandLineDNSLookupRunner dns(runner);
        EXPECT_EQ(awaitTask(loop, dns.lookup("fault.lumra.test", 1.0)), c.expected)
            << c.output.description;
    }
}

} // namespace
} // namespace lumra
