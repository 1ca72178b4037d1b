// The real ping, DNS and connection monitors polling without pause over
// scripted tools that succeed, fail, print garbage and hang in turn, through
// the real runner, for a given number of poll cycles (100,000 by default);
// meanwhile the real captive-portal monitor polls pages on a local server
// that stays silent, drips, sends an endless body, and answers.
// Afterwards: RSS drift, zombies, open descriptors and threads against the
// same figures after a warm-up; under the asan preset LeakSanitizer checks
// the exit. Nothing is sent anywhere: every tool is a script.
//   engine_soak [POLL_CYCLES] [COMMAND_TIME_OUT_SECONDS]
#include "concurrency/RunLoop.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/ping/PingMonitor.h"
#include "platform/http/CurlHttpClient.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/tcp/CommandLineTCPConnectionCounter.h"
#include "tests/platform/http/LocalHttpServer.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace lumra;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Polls back to back: the poll's own tool run is the only wait.
class NoPause final : public SleepProviding {
public:
    Task<void> sleepSeconds(double) override { co_return; }
};

constexpr const char* internetTarget = "10.213.0.1";

class CountingChecker final : public CaptivePortalChecking {
public:
    explicit CountingChecker(std::shared_ptr<CaptivePortalChecking> inner)
        : m_inner(std::move(inner)) {}
    Task<CaptivePortalDetectionMeasurement> check(double timeout) override {
        ++checks;
        co_return co_await m_inner->check(timeout);
    }
    std::atomic<long> checks{0};

private:
    std::shared_ptr<CaptivePortalChecking> m_inner;
};

// Counts tool runs, and poll cycles by the one run each poll makes exactly
// once: dig (DNS), netstat's TCP listing (connection), the ping of the
// internet target (ping).
class PollCountingRunner final : public CommandRunning {
public:
    explicit PollCountingRunner(std::shared_ptr<CommandRunning> inner)
        : m_inner(std::move(inner)) {}
    Task<CommandExecutionResult> run(CommandRequest request) override {
        ++runs;
        const auto& arguments = request.arguments;
        if (request.executable == "/usr/bin/dig" ||
            (request.executable == "/usr/sbin/netstat" && !arguments.empty() &&
             arguments.front() == "-n") ||
            (request.executable == "/sbin/ping" && !arguments.empty() &&
             arguments.back() == internetTarget))
            ++polls;
        co_return co_await m_inner->run(std::move(request));
    }
    std::atomic<long> runs{0};
    std::atomic<long> polls{0};

private:
    std::shared_ptr<CommandRunning> m_inner;
};

std::size_t entries(const char* directory) {
    std::size_t count = 0;
    if (DIR* dir = ::opendir(directory)) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

long residentKiB() {
    std::ifstream status("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    status >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Children of this process that exited and were never reaped.
int zombies() {
    int count = 0;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.empty() || name[0] < '0' || name[0] > '9')
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string state;
        std::string parent;
        rest >> state >> parent;
        count += state == "Z" && parent == self;
    }
    return count;
}

struct Figures {
    long residentKiB;
    std::size_t descriptors;
    std::size_t threads;
    int zombies;
};

Figures measure() {
    return Figures{residentKiB(), entries("/proc/self/fd"), entries("/proc/self/task"), zombies()};
}

// One script per tool: the n-th run succeeds with captured output, fails,
// prints garbage or hangs (every 20th) until the runner's time-out ends it.
std::string toolScript(const fs::path& directory, const std::string& tool,
                       const std::string& success, const std::string& secondSuccess = {}) {
    const fs::path script = directory / tool;
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << "count=" << (directory / (tool + ".count")).string() << "\n"
        << "n=$(cat \"$count\" 2>/dev/null || echo 0)\n"
        << "echo $((n + 1)) > \"$count\"\n"
        << "output=" << success << "\n";
    if (!secondSuccess.empty())
        out << "case \"$*\" in *-r*) output=" << secondSuccess << " ;; esac\n";
    out << "if [ $((n % 20)) -eq 19 ]; then exec sleep 60; fi\n"
        << "case $((n % 4)) in\n"
        << "1) echo \"$0: no route to host\" >&2; exit 2 ;;\n"
        << "3) exec head -c 300 /proc/self/stat ;;\n"
        << "*) exec cat \"$output\" ;;\n"
        << "esac\n";
    out.close();
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

} // namespace

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 100'000;
    const double timeout = argc > 2 ? std::atof(argv[2]) : 0.05;
    char pattern[] = "/tmp/lumra-soak-XXXXXX";
    const fs::path tools = ::mkdtemp(pattern);
    const std::string fixtures = LUMRA_FIXTURES;
    const std::map<std::string, std::string> executed{
        {"/sbin/ping", toolScript(tools, "ping", fixtures + "/ping/macos-summary.txt")},
        {"/usr/bin/dig", toolScript(tools, "dig", fixtures + "/dig/answer.txt")},
        {"/usr/sbin/netstat", toolScript(tools, "netstat", fixtures + "/netstat/macos-tcp.txt",
                                         fixtures + "/netstat/macos-routes-inet.txt")},
        {"/usr/sbin/ipconfig",
         toolScript(tools, "ipconfig", fixtures + "/ipconfig/getoption-router.txt")},
    };
    std::set<std::string> allowed;
    for (const auto& [path, script] : executed)
        allowed.insert(path);

    Figures before{};
    Figures after{};
    long polled = 0;
    long ran = 0;
    long checked = 0;
    double seconds = 0;
    {
        RunLoop loop;
        auto runner = std::make_shared<PollCountingRunner>(
            std::make_shared<ShellCommandRunner>(allowed, executed));
        auto sleeper = std::make_shared<NoPause>();
        auto now = [] {
            return std::chrono::system_clock::now();
        };
        PingMonitor::Configuration pingConfiguration;
        pingConfiguration.internetTarget = internetTarget;
        pingConfiguration.commandTimeout = timeout;
        auto ping = PingMonitor::create(
            std::make_shared<CommandLinePingProbeRunner>(
                runner, 2, timeout, [] { return std::optional<std::string>(); }),
            sleeper, now, pingConfiguration);
        DNSMonitor::Configuration dnsConfiguration;
        dnsConfiguration.testDomains = {"soak.test"};
        dnsConfiguration.commandTimeout = timeout;
        auto dns = DNSMonitor::create(std::make_shared<CommandLineDNSLookupRunner>(runner), sleeper,
                                      now, dnsConfiguration);
        ConnectionMonitor::Configuration connectionConfiguration;
        connectionConfiguration.commandTimeout = timeout;
        auto connection =
            ConnectionMonitor::create(std::make_shared<CommandLineTCPConnectionCounter>(runner),
                                      sleeper, now, connectionConfiguration);

        test::LocalHttpServer pages;
        std::vector<CaptivePortalProbeEndpoint> endpoints;
        for (const char* path : {"/silent", "/trickle?bytes=100000&interval_ms=50",
                                 "/down?bytes=1000000000000", "/answer?status=200&body=Success"})
            endpoints.push_back(*CaptivePortalProbeEndpoint::make(pages.url(path), "Success"));
        auto checker =
            std::make_shared<CountingChecker>(std::make_shared<URLSessionCaptivePortalChecker>(
                std::make_shared<URLSessionCaptivePortalProbeFetcher>(
                    std::make_shared<CurlHttpClient>()),
                endpoints));
        CaptivePortalMonitor::Configuration captiveConfiguration;
        captiveConfiguration.commandTimeout = 0.2;
        auto captive = CaptivePortalMonitor::create(checker, sleeper, now, captiveConfiguration);

        ping->start();
        dns->start();
        connection->start();
        captive->start();
        const long warmUp = std::min<long>(1'000, cycles / 10);
        loop.runUntil([&] { return runner->polls.load() >= warmUp; }, 1h);
        // Figures are taken with no run in flight: stopped, children reaped.
        auto pause = [&] {
            ping->stop();
            dns->stop();
            connection->stop();
            captive->stop();
            loop.runUntil([] { return false; }, 2s);
        };
        pause();
        before = measure();
        const long pollsBefore = runner->polls.load();
        const long runsBefore = runner->runs.load();
        const long checksBefore = checker->checks.load();
        ping->start();
        dns->start();
        connection->start();
        captive->start();
        const auto start = std::chrono::steady_clock::now();
        long reported = 0;
        loop.runUntil(
            [&] {
                const long done = runner->polls.load() - pollsBefore;
                if (done - reported >= 10'000) {
                    reported = done;
                    fmt::print(stderr, "{} poll cycles, RSS {} KiB\n", done, residentKiB());
                }
                return done >= cycles;
            },
            24h);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        polled = runner->polls.load() - pollsBefore;
        ran = runner->runs.load() - runsBefore;
        checked = checker->checks.load() - checksBefore;
        pause();
        after = measure();
    }
    fs::remove_all(tools);

    fmt::print("after warm-up: {} poll cycles, {} tool runs in {:.1f} s ({:.0f} runs per s), "
               "time-out {} s\n",
               polled, ran, seconds, ran / seconds, timeout);
    fmt::print("captive-portal checks meanwhile: {}\n", checked);
    fmt::print("RSS: {} KiB before, {} KiB after, drift {} KiB\n", before.residentKiB,
               after.residentKiB, after.residentKiB - before.residentKiB);
    fmt::print("open descriptors: {} before, {} after\n", before.descriptors, after.descriptors);
    fmt::print("threads: {} before, {} after\n", before.threads, after.threads);
    fmt::print("zombies: {} before, {} after\n", before.zombies, after.zombies);
    const bool bounded = after.residentKiB - before.residentKiB <= 1024 &&
                         after.descriptors == before.descriptors &&
                         after.threads == before.threads && after.zombies == 0;
    fmt::print("{}\n", bounded ? "bounded" : "NOT bounded");
    return bounded ? 0 : 1;
}
