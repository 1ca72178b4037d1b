// lumra-systool's dig beside the real dig, inside the client namespace whose
// resolv.conf (tests/systool/netns.sh) names 127.0.0.1: both ask a DNS server
// this test starts there, and must agree on status, answer, exit code and
// query time.
#include "systool/SystoolPath.h"
#include "tests/systool/NetnsTesting.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumra {
namespace {

using test::blankAfter;
using test::namespaceOf;

using namespace std::chrono_literals;
using Arguments = std::vector<std::string>;

constexpr const char* kRealDig = "/usr/bin/dig";

// Never a lookup in the machine's own namespace: its resolver is outside.
bool inOwnNamespaceWithLocalResolver() {
    const std::string own = namespaceOf("/proc/self/ns/net");
    if (own.empty() || own == namespaceOf("/proc/1/ns/net")) {
        return false;
    }
    std::ifstream file("/etc/resolv.conf");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return text.find("nameserver 127.0.0.1") != std::string::npos &&
           std::count(text.begin(), text.end(), '\n') == 1;
}

using DigRun = test::TimedRun;

DigRun runDig(const std::string& program, const Arguments& arguments) {
    Arguments argv{kRealDig};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::runTimed(program, argv, 20s);
}

// The output without what differs between any two runs: the program's
// version, the query id, the clock, the query time.
std::string comparable(const std::string& output) {
    std::string text = output;
    if (const auto at = text.find("; <<>> DiG "); at != std::string::npos) {
        const auto end = text.find("<<>>", at + 11);
        if (end != std::string::npos)
            text.replace(at, end - at, "; <<>> DiG ");
    }
    text = blankAfter(text, "id: ", "0123456789");
    text = blankAfter(text, ";; Query time: ", "0123456789");
    if (const auto at = text.find(";; WHEN: "); at != std::string::npos)
        text.erase(at, text.find('\n', at) + 1 - at);
    return text;
}

std::optional<int> queryTime(const std::string& output) {
    const std::string marker = ";; Query time: ";
    const auto at = output.find(marker);
    if (at == std::string::npos)
        return std::nullopt;
    const auto from = at + marker.size();
    const auto to = output.find_first_not_of("0123456789", from);
    if (to == from || to == std::string::npos || output.compare(to, 5, " msec") != 0)
        return std::nullopt;
    return std::stoi(output.substr(from, to - from));
}

class DigNetnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(inOwnNamespaceWithLocalResolver())
            << "must run under ip netns exec with the fixture's resolv.conf";
        server = std::make_unique<test::Subprocess>(
            "/usr/bin/python3", Arguments{"python3", LUMRA_DIG_TEST_SERVER, "127.0.0.1", "53"});
        ASSERT_TRUE(server->waitForOutput("port 53", 10s));
    }

    void expectSameAsDig(const Arguments& arguments) {
        const DigRun real = runDig(kRealDig, arguments);
        const DigRun ours = runDig(kSystoolPath, arguments);
        const std::string name = arguments.back();
        EXPECT_EQ(ours.result.exitCode, real.result.exitCode) << name;
        EXPECT_EQ(comparable(ours.result.out), comparable(real.result.out)) << name;
        EXPECT_EQ(ours.result.err, real.result.err) << name;
    }

    std::unique_ptr<test::Subprocess> server;
};

TEST_F(DigNetnsTest, AnswersAsDigDoes) {
    for (const char* name :
         {"www.probe.test", "nxhost.probe.test", "servfail.probe.test", "alias.probe.test",
          "norec.probe.test", "probe.test.", "a\\032b.test", "\xc3\xa9t\xc3\xa9.test"}) {
        expectSameAsDig({"+time=2", "+tries=1", name});
    }
}

TEST_F(DigNetnsTest, ReadsTheStatusTheProbeReads) {
    const DigRun answer = runDig(kSystoolPath, {"+time=2", "+tries=1", "www.probe.test"});
    EXPECT_EQ(answer.result.exitCode, 0);
    EXPECT_NE(answer.result.out.find("status: NOERROR"), std::string::npos);
    EXPECT_NE(answer.result.out.find("www.probe.test.\t\t60\tIN\tA\t10.213.0.9\n"),
              std::string::npos)
        << answer.result.out;
    EXPECT_NE(answer.result.out.find(";; SERVER: 127.0.0.1#53(127.0.0.1) (UDP)\n"),
              std::string::npos);
    for (const auto& [name, status] : std::vector<std::pair<std::string, std::string>>{
             {"nxhost.probe.test", "NXDOMAIN"}, {"servfail.probe.test", "SERVFAIL"}}) {
        const DigRun run = runDig(kSystoolPath, {"+time=2", "+tries=1", name});
        EXPECT_EQ(run.result.exitCode, 0) << name;
        EXPECT_NE(run.result.out.find("status: " + status), std::string::npos) << name;
        EXPECT_TRUE(queryTime(run.result.out)) << name;
    }
}

double loadPerCore() {
    std::ifstream file("/proc/loadavg");
    double load = 0;
    file >> load;
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    return load / static_cast<double>(cores > 0 ? cores : 1);
}

struct QueryTimeMedians {
    int dig = 0;
    int ours = 0;
    int oursFastest = 0;
};

// Nine interleaved runs of each program against the server that answers
// after 150 ms; the medians of their ";; Query time" readings.
QueryTimeMedians queryTimeMedians() {
    std::vector<int> times[2];
    for (int round = 0; round < 9; ++round) {
        int which = 0;
        for (const char* program : {kRealDig, kSystoolPath}) {
            const DigRun run = runDig(program, {"+time=2", "+tries=1", "slow150.probe.test"});
            EXPECT_EQ(run.result.exitCode, 0) << program;
            times[which++].push_back(queryTime(run.result.out).value_or(-1));
        }
    }
    for (auto& readings : times)
        std::sort(readings.begin(), readings.end());
    return {times[0][times[0].size() / 2], times[1][times[1].size() / 2], times[1].front()};
}

// The exchange alone is timed: our reading sits just above the server's
// delay, and the medians agree with dig's within two milliseconds (each
// reading is truncated to whole milliseconds on its own). dig takes its
// start time in a send callback, so a busy machine skews its reading (even
// below the server's delay) and stretches ours: a disagreement is measured
// again, up to three times, and on a busy machine, or when dig's own reading
// is below the server's delay, only our lower bound is checked.
TEST_F(DigNetnsTest, QueryTimeMatchesDigWithinTwoMilliseconds) {
    QueryTimeMedians medians;
    for (int attempt = 0; attempt < 3; ++attempt) {
        medians = queryTimeMedians();
        ASSERT_GE(medians.oursFastest, 150) << "the server's delay is a lower bound";
        if (medians.ours <= 160 && std::abs(medians.dig - medians.ours) <= 2)
            return;
    }
    if (loadPerCore() > 0.5 || medians.dig < 150) {
        GTEST_SKIP() << "dig's reading is skewed (load per core " << loadPerCore() << "): dig "
                     << medians.dig << " ms, ours " << medians.ours << " ms";
    }
    EXPECT_LE(medians.ours, 160) << "only the exchange is timed";
    EXPECT_LE(std::abs(medians.dig - medians.ours), 2)
        << "dig " << medians.dig << ", ours " << medians.ours;
}

TEST_F(DigNetnsTest, ASilentServerFailsAfterEachTry) {
    expectSameAsDig({"+time=1", "+tries=1", "silent.probe.test"});
    const DigRun once = runDig(kSystoolPath, {"+time=1", "+tries=1", "silent.probe.test"});
    EXPECT_EQ(once.result.exitCode, 9);
    EXPECT_EQ(once.result.out.rfind(";; communications error to 127.0.0.1#53: timed out\n", 0), 0u);
    EXPECT_LT(once.took, 3s);
    const DigRun twice = runDig(kSystoolPath, {"+time=1", "+tries=2", "silent.probe.test"});
    EXPECT_EQ(twice.result.exitCode, 9);
    EXPECT_GE(twice.took, 1900ms);
    EXPECT_LT(twice.took, 6s);
}

// A resolver address where nothing listens: refused at once.
TEST_F(DigNetnsTest, ARefusingServerFailsAtOnce) {
    {
        // Written in place: the namespace's resolv.conf is a bind mount.
        std::ofstream("/etc/resolv.conf", std::ios::trunc) << "nameserver 127.0.0.2\n";
    }
    expectSameAsDig({"+time=2", "+tries=1", "www.probe.test"});
    const DigRun run = runDig(kSystoolPath, {"+time=2", "+tries=1", "www.probe.test"});
    { std::ofstream("/etc/resolv.conf", std::ios::trunc) << "nameserver 127.0.0.1\n"; }
    EXPECT_EQ(run.result.exitCode, 9);
    EXPECT_NE(run.result.out.find("connection refused"), std::string::npos) << run.result.out;
    EXPECT_LT(run.took, 1s);
}

} // namespace
} // namespace lumra
