// lumra-systool's own ping (an ICMP datagram socket, allowed here by the
// namespace's ping_group_range) beside iputils ping, inside the client
// namespace of tests/systool/netns.sh: the router answers, 10.213.0.99 is a
// silent address on the link, and a route the test adds is unreachable.
#include "base/UniqueFd.h"
#include "systool/SystoolPath.h"
#include "tests/systool/NetnsTesting.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumra {
namespace {

using test::blankAfter;
using test::namespaceOf;

using namespace std::chrono_literals;
using Arguments = std::vector<std::string>;

constexpr const char* kRangePath = "/proc/sys/net/ipv4/ping_group_range";

std::string readAll(const char* path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool runIp(const Arguments& arguments) {
    Arguments argv{"ip"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (access(path, X_OK) == 0) {
            return test::runProgram(path, argv, {}, 10s).exitCode == 0;
        }
    }
    return false;
}

using PingRun = test::TimedRun;

PingRun run(const std::string& program, const Arguments& argv) {
    return test::runTimed(program, argv, 30s);
}

// The output with the measured figures blanked.
std::string shape(const std::string& output) {
    std::string text = blankAfter(output, "time=", "0123456789.");
    text = blankAfter(text, "time ", "0123456789");
    return blankAfter(text, "rtt min/avg/max/mdev = ", "0123456789./");
}

long totalTime(const std::string& output) {
    const std::string marker = "packet loss, time ";
    const auto at = output.find(marker);
    if (at == std::string::npos)
        return -1;
    return std::stol(output.substr(at + marker.size()));
}

class PingNetnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string own = namespaceOf("/proc/self/ns/net");
        ASSERT_FALSE(own.empty() || own == namespaceOf("/proc/1/ns/net"))
            << "must run inside the test namespace";
        savedRange = readAll(kRangePath);
        std::ofstream(kRangePath) << "0 2147483647\n";
    }
    void TearDown() override {
        if (!savedRange.empty()) {
            std::ofstream(kRangePath) << savedRange;
        }
    }

    // iputils with the arguments the stand-in translates to, then the
    // stand-in as the probe runs it.
    void expectSameAsIputils(const std::string& count, const std::string& milliseconds,
                             const std::string& seconds, const std::string& host) {
        // Each starts with no neighbour entry: a failed resolution left by
        // the first would answer the second at once.
        runIp({"neigh", "flush", "to", host});
        const PingRun iputils =
            run("/usr/bin/ping", {"ping", "-4", "-c", count, "-W", seconds, "--", host});
        runIp({"neigh", "flush", "to", host});
        const PingRun ours =
            run(kSystoolPath, {"/sbin/ping", "-c", count, "-W", milliseconds, host});
        EXPECT_EQ(ours.result.exitCode, iputils.result.exitCode) << host;
        EXPECT_EQ(shape(ours.result.out), shape(iputils.result.out)) << host;
        EXPECT_EQ(ours.result.err, iputils.result.err) << host;
        EXPECT_LE(std::abs(totalTime(ours.result.out) - totalTime(iputils.result.out)), 100)
            << ours.result.out << iputils.result.out;
        EXPECT_LE(std::abs(ours.took.count() - iputils.took.count()), 300)
            << "ours " << ours.took.count() << " ms, iputils " << iputils.took.count() << " ms";
    }

    std::string savedRange;
};

TEST_F(PingNetnsTest, RepliesLossAndSummaryAsIputils) {
    expectSameAsIputils("2", "1000", "1", "10.213.0.1");
    expectSameAsIputils("1", "500", "0.5", "127.0.0.1");
}

TEST_F(PingNetnsTest, ASilentHostEndsAfterTheWaitWithFullLoss) {
    expectSameAsIputils("1", "300", "0.3", "10.213.0.99");
    expectSameAsIputils("2", "300", "0.3", "10.213.0.99");
    runIp({"neigh", "flush", "to", "10.213.0.99"});
    const PingRun ours = run(kSystoolPath, {"/sbin/ping", "-c", "1", "-W", "300", "10.213.0.99"});
    EXPECT_EQ(ours.result.exitCode, 1);
    EXPECT_NE(ours.result.out.find("1 packets transmitted, 0 received, 100% packet loss"),
              std::string::npos)
        << ours.result.out;
    EXPECT_LT(ours.took, 3s);
}

TEST_F(PingNetnsTest, AnUnreachableRouteFailsAtOnce) {
    ASSERT_TRUE(runIp({"route", "add", "unreachable", "203.0.113.0/24"}));
    expectSameAsIputils("1", "1000", "1", "203.0.113.5");
    const PingRun ours = run(kSystoolPath, {"/sbin/ping", "-c", "1", "-W", "1000", "203.0.113.5"});
    runIp({"route", "del", "unreachable", "203.0.113.0/24"});
    EXPECT_EQ(ours.result.exitCode, 2);
    EXPECT_EQ(ours.result.out, "");
}

// Without the permission the stand-in hands the echo to iputils.
TEST_F(PingNetnsTest, WithoutDatagramSocketsIputilsAnswers) {
    std::ofstream(kRangePath) << "1 0\n";
    const PingRun ours = run(kSystoolPath, {"/sbin/ping", "-c", "1", "-W", "1000", "10.213.0.1"});
    EXPECT_EQ(ours.result.exitCode, 0) << ours.result.err;
    EXPECT_NE(ours.result.out.find("1 packets transmitted, 1 received, 0% packet loss"),
              std::string::npos);
}

// The probe reads the whole output at the end: into a pipe the stand-in
// writes it once, not a line per reply (each write wakes the reader). The
// first read, which returns as soon as anything arrives, already holds the
// summary that comes a second after the header.
TEST_F(PingNetnsTest, IntoAPipeTheOutputArrivesInOnePiece) {
    UniquePipe out = openPipe(O_CLOEXEC);
    ASSERT_TRUE(out.read);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.write.get(), STDOUT_FILENO);
    std::vector<std::string> arguments{"/sbin/ping", "-c", "2", "-W", "1000", "10.213.0.1"};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, kSystoolPath, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    out.write.reset();
    ASSERT_EQ(spawned, 0);
    std::string first(65536, '\0');
    const ssize_t size = read(out.read.get(), first.data(), first.size());
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_GT(size, 0);
    first.resize(static_cast<std::size_t>(size));
    EXPECT_EQ(first.rfind("PING 10.213.0.1", 0), 0u) << first;
    EXPECT_NE(first.find("2 packets transmitted, 2 received, 0% packet loss"), std::string::npos)
        << first;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
} // namespace lumra
