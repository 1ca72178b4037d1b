#include "probes/runner/ShellCommandRunner.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "concurrency/WhenAll.h"
#include "platform/process/ChildProcess.h"
#include "probes/runner/CommandRunnerError.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <variant>

namespace lumra {

void PrintTo(const CommandRunnerError& error, std::ostream* out) {
    *out << error.describe();
}

namespace {

using namespace std::chrono_literals;
using Outcome = std::variant<CommandExecutionResult, CommandRunnerError>;

Task<Outcome> outcomeOf(std::shared_ptr<ShellCommandRunner> runner, CommandRequest request) {
    try {
        co_return co_await runner->run(std::move(request));
    } catch (const CommandRunnerError& error) {
        co_return error;
    }
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

class ShellCommandRunnerTest : public ::testing::Test {
protected:
    ~ShellCommandRunnerTest() override {
        m_loop.reset();
        // Every child was reaped.
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }

    // A script in the temp dir, allowed by the runner.
    std::string script(const std::string& name, const std::string& body) {
        const std::string path =
            m_dir.write(name, "#!/bin/sh\n" + body + "\n", /*executable=*/true);
        m_allowed.insert(path);
        return path;
    }

    std::shared_ptr<ShellCommandRunner> runner(std::map<std::string, std::string> executed = {}) {
        return std::make_shared<ShellCommandRunner>(m_allowed, std::move(executed));
    }

    Outcome run(const std::shared_ptr<ShellCommandRunner>& runner, CommandRequest request) {
        return m_loop->await(
            spawn(mainActor(), [runner, request] { return outcomeOf(runner, request); }), 20s);
    }

    static CommandRunnerError errorOf(const Outcome& outcome) {
        EXPECT_TRUE(std::holds_alternative<CommandRunnerError>(outcome));
        return std::holds_alternative<CommandRunnerError>(outcome)
                   ? std::get<CommandRunnerError>(outcome)
                   : CommandRunnerError::launchFailed("", "no error");
    }

    pid_t waitForPid(const std::string& pidFile) {
        pid_t pid = 0;
        m_loop->runUntil(
            [&] {
                std::ifstream in(pidFile);
                return static_cast<bool>(in >> pid);
            },
            10s);
        return pid;
    }

    bool waitUntilGone(pid_t pid, std::chrono::seconds limit) {
        return m_loop->runUntil([pid] { return !processExists(pid); }, limit);
    }

    test::TempDir m_dir;
    std::set<std::string> m_allowed;
    std::optional<RunLoop> m_loop{std::in_place};
};

TEST_F(ShellCommandRunnerTest, RefusesPathsOutsideItsListAndStartsNothing) {
    const std::string marker = m_dir.path() + "/started";
    const std::string allowed = script("tool.sh", "touch " + marker);
    const std::string other =
        m_dir.write("other/tool.sh", "#!/bin/sh\ntouch " + marker + "\n", true);
    auto runner = this->runner();
    for (const std::string& path : {other, std::string("tool.sh"), allowed + "/"}) {
        EXPECT_EQ(errorOf(run(runner, {path, {}, 5})),
                  CommandRunnerError::executableNotAllowed(path))
            << path;
    }
    EXPECT_FALSE(m_dir.exists("started"));
}

TEST_F(ShellCommandRunnerTest, ACleanRunGivesTheOutputsAndTheArgumentsUnchanged) {
    const std::string path = script("echo.sh", R"(printf '%s|' "$@"; printf '\n')");
    const auto outcome = run(runner(), {path, {"a b", "'q'", "", "$HOME"}, 5});
    ASSERT_TRUE(std::holds_alternative<CommandExecutionResult>(outcome));
    EXPECT_EQ(
        std::get<CommandExecutionResult>(outcome),
        (CommandExecutionResult{path, {"a b", "'q'", "", "$HOME"}, 0, "a b|'q'||$HOME|\n", ""}));
}

TEST_F(ShellCommandRunnerTest, ARequestedPathMayRunAnotherFileWhichSeesTheRequestedPathAsItsName) {
    // busybox picks its applet by the basename of argv[0]: "echo" proves it
    // saw the requested path, not its own.
    const std::string requested = "/opt/tools/echo";
    m_allowed.insert(requested);
    const auto outcome =
        run(runner({{requested, "/bin/busybox"}}), {requested, {"-n", "mapped"}, 5});
    ASSERT_TRUE(std::holds_alternative<CommandExecutionResult>(outcome));
    EXPECT_EQ(std::get<CommandExecutionResult>(outcome),
              (CommandExecutionResult{requested, {"-n", "mapped"}, 0, "mapped", ""}));
}

TEST(CommandRunnerErrorTest, WhatNamesTheToolAndHowItsRunEnded) {
    struct Case {
        CommandRunnerError error;
        std::string what;
    };
    const std::vector<Case> cases{
        {CommandRunnerError::executableNotAllowed("/bin/sh"), "/bin/sh is not a tool Lumra runs"},
        {CommandRunnerError::launchFailed("/usr/sbin/netstat", "No such file or directory"),
         "/usr/sbin/netstat could not start: No such file or directory"},
        {CommandRunnerError::timedOut("/sbin/ping", 4.5), "/sbin/ping timed out after 4.5 s"},
        {CommandRunnerError::outputDecodingFailed("/usr/bin/dig"),
         "/usr/bin/dig wrote text that is not UTF-8"},
        {CommandRunnerError::nonZeroExit("/usr/sbin/ipconfig", 1, "out", "err"),
         "/usr/sbin/ipconfig exited with status 1"},
        {CommandRunnerError::killedBySignal("/usr/sbin/scutil", 9, "", ""),
         "/usr/sbin/scutil was ended by signal 9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(c.error.what()), c.what);
    EXPECT_NE(CommandRunnerError::nonZeroExit("/sbin/ping", 9, "", ""),
              CommandRunnerError::killedBySignal("/sbin/ping", 9, "", ""));
}

TEST_F(ShellCommandRunnerTest, FailingAndUndecodableRunsEndInTheirErrors) {
    struct Case {
        std::string body;
        std::function<CommandRunnerError(const std::string&)> expected;
    };
    const std::vector<Case> cases{
        {"echo 'summary line'; echo oops >&2; exit 2",
         [](const std::string& p) {
             return CommandRunnerError::nonZeroExit(p, 2, "summary line\n", "oops\n");
         }},
        {R"(printf '\377\376' >&2; exit 0)",
         [](const std::string& p) {
             return CommandRunnerError::outputDecodingFailed(p);
         }},
        // Decoding is judged before the status.
        {R"(printf 'ok\300\257'; exit 3)",
         [](const std::string& p) {
             return CommandRunnerError::outputDecodingFailed(p);
         }},
        // A child ended by a signal reports the signal number.
        {"kill -9 $$",
         [](const std::string& p) {
             return CommandRunnerError::killedBySignal(p, 9, "", "");
         }},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = script("case" + std::to_string(index++) + ".sh", c.body);
        EXPECT_EQ(errorOf(run(runner(), {path, {}, 5})), c.expected(path)) << c.body;
    }
}

TEST_F(ShellCommandRunnerTest, AChildThatCannotStartGivesTheSystemsDescription) {
    const std::string missing = m_dir.path() + "/missing";
    const std::string notExecutable = m_dir.write("plain.txt", "#!/bin/sh\n", /*executable=*/false);
    m_allowed.insert(missing);
    m_allowed.insert(notExecutable);
    EXPECT_EQ(errorOf(run(runner(), {missing, {}, 5})),
              CommandRunnerError::launchFailed(missing, "No such file or directory"));
    EXPECT_EQ(errorOf(run(runner(), {notExecutable, {}, 5})),
              CommandRunnerError::launchFailed(notExecutable, "Permission denied"));
}

TEST_F(ShellCommandRunnerTest, AFailedLaunchLeavesOneLineNamingTheFileItRan) {
    const std::string missing = m_dir.path() + "/missing-systool";
    m_allowed.insert("/usr/sbin/netstat");
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(std::move(line)); });
    EXPECT_EQ(errorOf(run(runner({{"/usr/sbin/netstat", missing}}), {"/usr/sbin/netstat", {}, 5})),
              CommandRunnerError::launchFailed("/usr/sbin/netstat", "No such file or directory"));
    EXPECT_EQ(lines, (std::vector<std::string>{"lumra: runner: could not start " + missing +
                                               " (for /usr/sbin/netstat): No such file or "
                                               "directory"}));
}

TEST_F(ShellCommandRunnerTest, ATimeoutOfZeroOrLessEndsTheRunAtOnceCarryingThatValue) {
    const std::string path = script("sleep.sh", "exec sleep 5");
    for (const double timeout : {0.0, -1.0}) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(errorOf(run(runner(), {path, {}, timeout})),
                  CommandRunnerError::timedOut(path, timeout));
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    }
}

TEST_F(ShellCommandRunnerTest, AChildThatOutlivesItsTimeoutEndsInTimedOutAtTheDeadline) {
    const std::string pidFile = m_dir.path() + "/pid";
    const std::string path = script("slow.sh", "echo $$ > " + pidFile + "; exec sleep 5");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf(run(runner(), {path, {}, 0.3})), CommandRunnerError::timedOut(path, 0.3));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s)
        << "not when the child would have exited";
    EXPECT_TRUE(waitUntilGone(waitForPid(pidFile), 5s));
}

TEST_F(ShellCommandRunnerTest, CancellingTheCallerTerminatesTheChild) {
    const std::string pidFile = m_dir.path() + "/pid";
    const std::string path = script("long.sh", "echo $$ > " + pidFile + "; exec sleep 30");
    auto runner = this->runner();
    auto handle = spawn(mainActor(), [runner, path] { return outcomeOf(runner, {path, {}, 30}); });
    const pid_t pid = waitForPid(pidFile);
    ASSERT_GT(pid, 0);
    handle.cancel();
    EXPECT_THROW(m_loop->await(handle, 5s), CancellationError);
    EXPECT_TRUE(waitUntilGone(pid, 5s));
}

TEST_F(ShellCommandRunnerTest, AnAlreadyCancelledCallerNeverStartsTheChild) {
    const std::string path = script("marker.sh", "touch " + m_dir.path() + "/started");
    auto runner = this->runner();
    auto handle = spawn(mainActor(), [runner, path]() -> Task<Outcome> {
        currentTask()->cancel();
        auto request = CommandRequest{path, {}, 5};
        co_return co_await outcomeOf(runner, std::move(request));
    });
    EXPECT_THROW(m_loop->await(handle, 5s), CancellationError);
    // A child started anyway would have touched the marker by now.
    m_loop->runUntil([] { return false; }, 300ms);
    EXPECT_FALSE(m_dir.exists("started"));
}

TEST_F(ShellCommandRunnerTest, ConcurrentRunsFinishIndependently) {
    const std::string slow = script("slow.sh", "sleep 0.3; echo slow");
    const std::string failing = script("failing.sh", "echo fast; exit 3");
    auto runner = this->runner();
    auto handle =
        spawn(mainActor(), [runner, slow, failing]() -> Task<std::tuple<Outcome, Outcome>> {
            auto slowRun = outcomeOf(runner, {slow, {}, 5});
            auto failingRun = outcomeOf(runner, {failing, {}, 5});
            co_return co_await whenAll(std::move(slowRun), std::move(failingRun));
        });
    const auto [first, second] = m_loop->await(handle, 10s);
    ASSERT_TRUE(std::holds_alternative<CommandExecutionResult>(first));
    EXPECT_EQ(std::get<CommandExecutionResult>(first).standardOutput, "slow\n");
    EXPECT_EQ(errorOf(second), CommandRunnerError::nonZeroExit(failing, 3, "fast\n", ""));
}

TEST_F(ShellCommandRunnerTest, AMebibyteOfOutputArrivesWhole) {
    const std::string path = script("big.sh", "exec head -c 1048576 /dev/zero");
    const auto outcome = run(runner(), {path, {}, 10});
    ASSERT_TRUE(std::holds_alternative<CommandExecutionResult>(outcome));
    const std::string& output = std::get<CommandExecutionResult>(outcome).standardOutput;
    EXPECT_EQ(output.size(), 1048576u);
    EXPECT_EQ(output.find_first_not_of('\0'), std::string::npos);
}

// Duplicate ping replies in a flood: the run keeps a bounded start and end
// of the output in whole lines, and the summary at the end survives.
TEST_F(ShellCommandRunnerTest, AFloodOfOutputIsKeptBoundedWithItsLastLines) {
    const std::string reply = "64 bytes from 10.0.0.1: icmp_seq=1 ttl=64 time=0.042 ms (DUP!)";
    const std::string summary = "--- 10.0.0.1 ping statistics ---\n"
                                "2 packets transmitted, 2 received, +99998 duplicates\n"
                                "rtt min/avg/max/mdev = 0.040/0.042/0.044/0.002 ms\n";
    const std::string path =
        script("flood.sh", "yes '" + reply + "' | head -n 100000\nprintf '%s' '" + summary + "'");
    const auto outcome = run(runner(), {path, {}, 20});
    ASSERT_TRUE(std::holds_alternative<CommandExecutionResult>(outcome))
        << errorOf(outcome).describe();
    const std::string& output = std::get<CommandExecutionResult>(outcome).standardOutput;
    std::printf("figure: a tool printing %zu bytes: %zu bytes kept\n",
                100000 * (reply.size() + 1) + summary.size(), output.size());
    EXPECT_LE(output.size(), ShellCommandRunner::maxKeptOutputBytes);
    EXPECT_TRUE(output.starts_with(reply + "\n"));
    EXPECT_TRUE(output.ends_with(reply + "\n" + summary));
}

TEST_F(ShellCommandRunnerTest, AChildThatIgnoresTerminationIsKilledAfterTheGrace) {
    const std::string pidFile = m_dir.path() + "/pid";
    const std::string path = script("stubborn.sh", "trap '' TERM; echo $$ > " + pidFile +
                                                       "; while :; do sleep 0.05; done");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf(run(runner(), {path, {}, 0.2})), CommandRunnerError::timedOut(path, 0.2));
    const auto outcomeTime = std::chrono::steady_clock::now() - started;
    const pid_t pid = waitForPid(pidFile);
    // The child outlives the outcome, so the grace did not delay it; the bound
    // only catches a hang (six times the expected 0.2 s).
    EXPECT_TRUE(processExists(pid)) << "SIGTERM alone does not end it, and the outcome came first";
    EXPECT_LT(outcomeTime, std::chrono::milliseconds(200) + ChildProcess::terminationGrace);
    EXPECT_TRUE(waitUntilGone(pid, 5s));
}

TEST(MakeAllowedExecutablesTest, HoldsExactlyTheSevenToolPaths) {
    EXPECT_EQ(
        makeAllowedExecutables(),
        (std::set<std::string>{"/sbin/ping", "/sbin/ping6", "/usr/bin/dig", "/usr/sbin/netstat",
                               "/usr/sbin/scutil", "/sbin/ifconfig", "/usr/sbin/ipconfig"}));
}

} // namespace
} // namespace lumra
