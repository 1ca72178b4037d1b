#include "platform/process/ChildProcess.h"

#include "concurrency/RunLoop.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Gone and reaped: a zombie still answers kill(pid, 0).
bool isReaped(pid_t pid) {
    return ::kill(pid, 0) == -1 && errno == ESRCH;
}

class ChildProcessTest : public ::testing::Test {
protected:
    ~ChildProcessTest() override {
        m_loop.reset();
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child was left unreaped";
        EXPECT_EQ(errno, ECHILD);
    }

    std::string script(const std::string& name, const std::string& body) {
        return m_dir.write(name, "#!/bin/sh\n" + body + "\n", /*executable=*/true);
    }

    // Launches path; the exit lands in the returned slot on the I/O thread.
    struct Launched {
        std::shared_ptr<ChildProcess> process;
        std::shared_ptr<std::optional<ChildExit>> exit;
    };
    Launched launch(const std::string& path) {
        auto exit = std::make_shared<std::optional<ChildExit>>();
        auto finished = m_finished;
        auto process = ChildProcess::launch(path, {path}, [exit, finished](ChildExit outcome) {
            *exit = std::move(outcome);
            finished->fetch_add(1);
        });
        return {process, exit};
    }

    bool waitFor(int finishedCount, std::chrono::seconds limit = 20s) {
        return m_loop->runUntil([&] { return m_finished->load() >= finishedCount; }, limit);
    }
    bool waitForFile(const std::string& relative, std::chrono::seconds limit = 20s) {
        return m_loop->runUntil([&] { return m_dir.exists(relative); }, limit);
    }

    test::TempDir m_dir;
    std::unique_ptr<RunLoop> m_loop = std::make_unique<RunLoop>();
    std::shared_ptr<std::atomic<int>> m_finished = std::make_shared<std::atomic<int>>(0);
};

TEST_F(ChildProcessTest, PipesAreDrainedWhileTheChildRuns) {
    // Far more than a pipe holds: the child gets past it only if we read.
    const std::string path = script("chatty.sh", "head -c 1048576 /dev/zero\n"
                                                 "echo written > " +
                                                     m_dir.path() +
                                                     "/written\n"
                                                     "exec sleep 30");
    auto child = launch(path);
    ASSERT_TRUE(waitForFile("written")) << "the child blocked on a full pipe";
    EXPECT_TRUE(child.process->isRunning());
    child.process->terminate();
    ASSERT_TRUE(waitFor(1));
    EXPECT_TRUE((*child.exit)->endedBySignal);
    EXPECT_EQ((*child.exit)->status, SIGTERM);
}

TEST_F(ChildProcessTest, BothStreamsArriveWholeWhateverTheOrderOfWriting) {
    const std::string path = script("both.sh", "head -c 300000 /dev/zero >&2\n"
                                               "head -c 500000 /dev/zero\n"
                                               "head -c 200000 /dev/zero >&2\n"
                                               "exit 3");
    auto child = launch(path);
    ASSERT_TRUE(waitFor(1));
    const ChildExit& exit = **child.exit;
    EXPECT_EQ(exit.status, 3);
    EXPECT_FALSE(exit.endedBySignal);
    EXPECT_EQ(exit.standardOutput.size(), 500000u);
    EXPECT_EQ(exit.standardError.size(), 500000u);
}

TEST_F(ChildProcessTest, AChildThatClosesStandardOutputEarlyIsStillWaitedFor) {
    const std::string path = script("quiet.sh", "echo before\n"
                                                "exec >&-\n"
                                                "sleep 0.3\n"
                                                "echo late >&2\n"
                                                "exit 4");
    auto child = launch(path);
    ASSERT_TRUE(waitFor(1));
    const ChildExit& exit = **child.exit;
    EXPECT_EQ(exit.status, 4) << "the exit is reported, not the closed stream";
    EXPECT_EQ(exit.standardOutput, "before\n");
    EXPECT_EQ(exit.standardError, "late\n");
}

TEST_F(ChildProcessTest, AChildThatClosesBothStreamsIsReportedWhenItExits) {
    const std::string path = script("silent.sh", "exec >&- 2>&-\n"
                                                 "sleep 0.3\n"
                                                 "exit 5");
    const auto started = std::chrono::steady_clock::now();
    auto child = launch(path);
    ASSERT_TRUE(waitFor(1));
    EXPECT_EQ((*child.exit)->status, 5);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 250ms)
        << "not delivered at the streams' end";
}

TEST_F(ChildProcessTest, EveryChildIsReapedOnceItsExitIsDelivered) {
    std::vector<Launched> children;
    for (const char* status : {"0", "1", "7"})
        children.push_back(
            launch(script(std::string("exit") + status + ".sh", std::string("exit ") + status)));
    auto terminated = launch(script("long.sh", "exec sleep 30"));
    terminated.process->terminate();
    ASSERT_TRUE(waitFor(4));
    children.push_back(terminated);
    for (const Launched& child : children) {
        EXPECT_FALSE(child.process->isRunning());
        EXPECT_TRUE(isReaped(child.process->pid())) << child.process->pid();
    }
}

TEST_F(ChildProcessTest, ShutdownKillsAndReapsAChildStillRunning) {
    auto child = launch(script("forever.sh", "trap '' TERM\nwhile :; do sleep 1; done"));
    const pid_t pid = child.process->pid();
    ASSERT_TRUE(m_loop->runUntil([&] { return ::kill(pid, 0) == 0; }, 5s));
    const auto started = std::chrono::steady_clock::now();
    m_loop.reset();
    EXPECT_TRUE(isReaped(pid));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s)
        << "a child that ignores SIGTERM is killed";
}

std::atomic<int> alarms{0}; // lock-free, so safe in a handler
extern "C" void countAlarm(int) {
    const int saved = errno;
    alarms.fetch_add(1, std::memory_order_relaxed);
    errno = saved;
}

// Signals keep arriving while children start and while their output is read:
// every interrupted call is retried, none surfaces as a failure.
TEST_F(ChildProcessTest, SignalsDuringSpawnAndReadsInterruptNothing) {
    struct sigaction handler {};
    handler.sa_handler = countAlarm;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = 0; // no SA_RESTART: calls really see EINTR
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &handler, &previous), 0);
    itimerval every{{0, 200}, {0, 200}};
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every, nullptr), 0);

    const std::string path = script("echoes.sh", "head -c 200000 /dev/zero\necho done >&2");
    std::vector<Launched> children;
    int launchFailures = 0;
    for (int i = 0; i < 40; ++i) {
        try {
            children.push_back(launch(path));
        } catch (const ChildLaunchError& error) {
            ++launchFailures;
            ADD_FAILURE() << error.what();
        }
    }
    const bool finished = waitFor(static_cast<int>(children.size()), 60s);

    itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);

    ASSERT_TRUE(finished);
    EXPECT_GT(alarms.load(), 10) << "the signals this test is about arrived";
    EXPECT_EQ(launchFailures, 0);
    for (const Launched& child : children) {
        EXPECT_EQ((*child.exit)->status, 0);
        EXPECT_EQ((*child.exit)->standardOutput.size(), 200000u);
        EXPECT_EQ((*child.exit)->standardError, "done\n");
    }
}

// Gone, or a zombie no one has reaped yet: either way no longer running.
bool hasEnded(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return close == std::string::npos || text.compare(close, 4, ") Z ") == 0;
}

// A process that starts a sleeping child and then ends without its shutdown:
// by exit() (a library's fatal error) or by SIGKILL. The child ends with it.
TEST(ChildProcessEndTest, NoChildOutlivesTheProcessThatStartedItHoweverItEnds) {
    struct Row {
        const char* mode;
        std::vector<std::string> child;
        const char* what;
    };
    const std::vector<Row> rows{
        {"kill", {"/bin/sleep", "60"}, "the process killed"},
        // A program with file capabilities loses its parent-death signal;
        // setpriv clears it the same way.
        {"exit",
         {"/usr/bin/setpriv", "--pdeathsig", "clear", "--", "/bin/sleep", "60"},
         "exit() without a shutdown, the child's parent-death signal cleared"},
        {"exit", {"/bin/sleep", "60"}, "exit() without a shutdown"},
    };
    for (const Row& row : rows) {
        test::TempDir directory;
        const std::string pidFile = directory.path() + "/child.pid";
        std::vector<std::string> arguments{"child_launcher", row.mode, pidFile};
        arguments.insert(arguments.end(), row.child.begin(), row.child.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t launcher = -1;
        ASSERT_EQ(
            ::posix_spawn(&launcher, LUMRA_CHILD_LAUNCHER, nullptr, nullptr, argv.data(), environ),
            0);
        pid_t child = -1;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (child < 0 && std::chrono::steady_clock::now() < deadline) {
            std::ifstream(pidFile) >> child;
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_GT(child, 0) << row.what << ": the launcher wrote no pid";
        if (std::string(row.mode) == "kill")
            ::kill(launcher, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(launcher, &status, 0), launcher);
        EXPECT_EQ(std::string(row.mode) == "kill" ? WIFSIGNALED(status) : WIFEXITED(status), true)
            << row.what;
        bool ended = false;
        for (int round = 0; round < 500 && !ended; ++round) {
            ended = hasEnded(child);
            if (!ended)
                std::this_thread::sleep_for(10ms);
        }
        EXPECT_TRUE(ended) << row.what << ": child " << child << " still runs";
        if (!ended)
            ::kill(child, SIGKILL);
    }
}

} // namespace
} // namespace lumra
