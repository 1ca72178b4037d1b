// The real ping, DNS and connection monitors polling without pause over
// scripted tools that succeed, fail, print garbage and hang in turn, and
// print what a silent or SERVFAIL resolver, dropped ICMP, a removed default
// route or a removed interface leave them, through the real runner, for a
// given number of poll cycles (100,000 by default);
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
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <malloc.h>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace lumra;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool judgesResidentSet = false;
#else
constexpr bool judgesResidentSet = true;
#endif

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

// Bytes the allocator has handed out and not had back, over every arena
// (threads allocate from their own): growth here is memory still held,
// growth of the resident set alone is the heap's shape.
long heapInUseKiB() {
    char* text = nullptr;
    std::size_t size = 0;
    FILE* out = ::open_memstream(&text, &size);
    if (out == nullptr)
        return -1;
    ::malloc_info(0, out);
    std::fclose(out);
    const std::string info(text, size);
    std::free(text);
    // The totals over all arenas follow the last arena's block.
    const std::string totals = info.substr(info.rfind("</heap>") + 1);
    auto sizeOf = [&](const std::string& element) -> long {
        const auto at = totals.find(element);
        if (at == std::string::npos)
            return 0;
        const auto value = totals.find("size=\"", at) + 6;
        return std::atol(totals.c_str() + value);
    };
    const long held = sizeOf("<system type=\"current\"") + sizeOf("<total type=\"mmap\"");
    const long free = sizeOf("<total type=\"fast\"") + sizeOf("<total type=\"rest\"");
    return (held - free) / 1024;
}

struct Figures {
    long residentKiB;
    long heapInUseKiB;
    std::size_t descriptors;
    std::size_t threads;
    int zombies;
};

Figures measure() {
    return Figures{residentKiB(), heapInUseKiB(), entries("/proc/self/fd"),
                   entries("/proc/self/task"), zombies()};
}

// A run that goes wrong the way a failing network shows to the tool: the
// tool's own output (a fixture, or nothing), its exit status and message.
struct Fault {
    std::string kind;
    std::string output;
    int exitStatus = 0;
    std::string standardError = {};
};

// The runs of one tool whose arguments match `arguments` (a shell pattern):
// each counts its own runs, so every face meets its whole rotation.
struct Face {
    std::string name;
    std::string arguments;
    std::string success;
    std::vector<Fault> faults = {};
};

// One script per tool. The n-th run of a face hangs (every 20th) until the
// runner's time-out ends it; else, over a rotation of 4 plus its faults, it
// succeeds with captured output, fails with exit 2, succeeds, prints
// garbage, then meets each fault in turn. Each run leaves a byte in
// met/<face>.<kind>, so the kinds met are counted afterwards.
std::string toolScript(const fs::path& directory, const std::string& tool,
                       const std::vector<Face>& faces) {
    const fs::path script = directory / tool;
    const std::string met = (directory / "met").string();
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << "case \"$*\" in\n";
    for (const Face& face : faces)
        out << face.arguments << ") face=" << face.name << "; output='" << face.success
            << "'; period=" << 4 + face.faults.size() << " ;;\n";
    out << "esac\n"
        << "count=" << directory.string() << "/$face.count\n"
        << "n=$(cat \"$count\" 2>/dev/null || echo 0)\n"
        << "echo $((n + 1)) > \"$count\"\n"
        << "met() { printf x >> " << met << "/$face.$1; }\n"
        << "if [ $((n % 20)) -eq 19 ]; then met hang; exec sleep 60; fi\n"
        << "case $face:$((n % period)) in\n";
    for (const Face& face : faces) {
        for (std::size_t i = 0; i < face.faults.size(); ++i) {
            const Fault& fault = face.faults[i];
            out << face.name << ":" << 4 + i << ") met " << fault.kind << ";";
            if (!fault.output.empty())
                out << " cat '" << fault.output << "';";
            if (!fault.standardError.empty())
                out << " echo '" << fault.standardError << "' >&2;";
            out << " exit " << fault.exitStatus << " ;;\n";
        }
    }
    out << "*:1) met failure; echo \"$0: no route to host\" >&2; exit 2 ;;\n"
        << "*:3) met garbage; exec head -c 300 /proc/self/stat ;;\n"
        << "*) met success; exec cat \"$output\" ;;\n"
        << "esac\n";
    out.close();
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

// Runs of each face and kind so far, from the bytes the scripts left.
std::map<std::string, std::uintmax_t> metSoFar(const fs::path& directory) {
    std::map<std::string, std::uintmax_t> met;
    for (const auto& entry : fs::directory_iterator(directory / "met"))
        met[entry.path().filename()] = entry.file_size();
    return met;
}

// The Wi-Fi interface the router lookup asks ipconfig about; every 7th time
// it is gone, as when the interface is removed.
class WiFiInterfaceName {
public:
    std::optional<std::string> operator()() {
        if (++m_calls % 7 == 0) {
            ++gone;
            return std::nullopt;
        }
        return "en0";
    }
    std::atomic<long> gone{0};

private:
    std::atomic<long> m_calls{0};
};

} // namespace

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 100'000;
    const double timeout = argc > 2 ? std::atof(argv[2]) : 0.05;
    char pattern[] = "/tmp/lumra-soak-XXXXXX";
    const fs::path tools = ::mkdtemp(pattern);
    const std::string fixtures = LUMRA_FIXTURES;
    const std::string captured = fixtures + "/systool/captured/faults/";
    fs::create_directory(tools / "met");
    // The faults as the probes meet them: a resolver that never answers
    // (lumra-systool's and dig 9.10's forms) or answers SERVFAIL; every echo
    // lost (iputils' form without a summary line, and macOS's); the default
    // route gone (route listings without a default line, ipconfig failing,
    // ping unable to send); the interface gone (the same, and the Wi-Fi
    // interface name missing).
    const std::string unreachable = "ping: connect: Network is unreachable";
    const std::map<std::string, std::string> executed{
        {"/sbin/ping",
         toolScript(
             tools, "ping",
             {{"ping",
               "*",
               fixtures + "/ping/macos-summary.txt",
               {{"icmp-dropped", captured + "ping_-c_2_-W_300_10.213.0.1.icmp-dropped.txt", 1},
                {"icmp-dropped-macos", fixtures + "/ping/macos-no-reply.txt", 2},
                {"no-default-route", captured + "ping_-c_2_-W_300_10.215.0.9.no-default-route.txt",
                 2, unreachable},
                {"no-interface", captured + "ping_-c_2_-W_300_10.213.0.1.no-interface.txt", 2,
                 unreachable}}}})},
        {"/usr/bin/dig",
         toolScript(tools, "dig",
                    {{"dig",
                      "*",
                      fixtures + "/dig/answer.txt",
                      {{"silent-resolver",
                        captured + "dig_+time=1_+tries=1_fault.lumra.test.silent.txt", 9},
                       {"silent-resolver-dig9.10", fixtures + "/dig/timed-out.txt", 9},
                       {"servfail", captured + "dig_+time=1_+tries=1_fault.lumra.test.servfail.txt",
                        0}}}})},
        {"/usr/sbin/netstat",
         toolScript(
             tools, "netstat",
             {{"netstat-routes-inet6",
               "*-rn*inet6*",
               fixtures + "/netstat/macos-routes-inet6.txt",
               {{"no-default-route", captured + "netstat_-rn_-f_inet6.no-default-route.txt", 0},
                {"no-interface", captured + "netstat_-rn_-f_inet6.no-interface.txt", 0}}},
              {"netstat-routes-inet",
               "*-rn*",
               fixtures + "/netstat/macos-routes-inet.txt",
               {{"no-default-route", captured + "netstat_-rn_-f_inet.no-default-route.txt", 0},
                {"no-interface", captured + "netstat_-rn_-f_inet.no-interface.txt", 0}}},
              {"netstat-tcp", "*", fixtures + "/netstat/macos-tcp.txt"}})},
        {"/usr/sbin/ipconfig",
         toolScript(tools, "ipconfig",
                    {{"ipconfig",
                      "*",
                      fixtures + "/ipconfig/getoption-router.txt",
                      {{"no-default-route",
                        captured + "ipconfig_getoption_lsc0_router.no-default-route.txt", 1},
                       {"no-interface",
                        captured + "ipconfig_getoption_lsc0_router.no-interface.txt", 1}}}})},
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
    long interfaceGone = 0;
    std::map<std::string, std::uintmax_t> metBefore;
    std::map<std::string, std::uintmax_t> metAfter;
    {
        RunLoop loop;
        auto runner = std::make_shared<PollCountingRunner>(
            std::make_shared<ShellCommandRunner>(allowed, executed));
        auto sleeper = std::make_shared<NoPause>();
        auto wifi = std::make_shared<WiFiInterfaceName>();
        auto now = [] {
            return std::chrono::system_clock::now();
        };
        PingMonitor::Configuration pingConfiguration;
        pingConfiguration.internetTarget = internetTarget;
        pingConfiguration.commandTimeout = timeout;
        auto ping = PingMonitor::create(std::make_shared<CommandLinePingProbeRunner>(
                                            runner, 2, timeout, [wifi] { return (*wifi)(); }),
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

        // Its record of requests is the bench's own: kept short, so it does
        // not count as the engine's growth.
        test::LocalHttpServer pages(/*keptEvents=*/64);
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
        const long goneBefore = wifi->gone.load();
        metBefore = metSoFar(tools);
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
                    fmt::print(stderr, "{} poll cycles, RSS {} KiB, heap in use {} KiB\n", done,
                               residentKiB(), heapInUseKiB());
                }
                return done >= cycles;
            },
            24h);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        polled = runner->polls.load() - pollsBefore;
        ran = runner->runs.load() - runsBefore;
        checked = checker->checks.load() - checksBefore;
        interfaceGone = wifi->gone.load() - goneBefore;
        metAfter = metSoFar(tools);
        pause();
        after = measure();
    }
    fs::remove_all(tools);

    fmt::print("after warm-up: {} poll cycles, {} tool runs in {:.1f} s ({:.0f} runs per s), "
               "time-out {} s\n",
               polled, ran, seconds, ran / seconds, timeout);
    fmt::print("captive-portal checks meanwhile: {}\n", checked);
    fmt::print("runs met after warm-up, by tool face and kind:\n");
    for (const auto& [kind, total] : metAfter)
        fmt::print("  {:<40} {}\n", kind, total - metBefore[kind]);
    fmt::print("  {:<40} {}\n", "Wi-Fi interface gone (router lookup)", interfaceGone);
    fmt::print("RSS: {} KiB before, {} KiB after, drift {} KiB\n", before.residentKiB,
               after.residentKiB, after.residentKiB - before.residentKiB);
    if (judgesResidentSet)
        fmt::print("heap in use: {} KiB before, {} KiB after, growth {} KiB\n", before.heapInUseKiB,
                   after.heapInUseKiB, after.heapInUseKiB - before.heapInUseKiB);
    fmt::print("open descriptors: {} before, {} after\n", before.descriptors, after.descriptors);
    fmt::print("threads: {} before, {} after\n", before.threads, after.threads);
    fmt::print("zombies: {} before, {} after\n", before.zombies, after.zombies);
    if (!judgesResidentSet)
        fmt::print("RSS not judged: AddressSanitizer's quarantine and allocation stacks fill it; "
                   "LeakSanitizer judges the exit\n");
    const bool bounded = (!judgesResidentSet || after.residentKiB - before.residentKiB <= 1024) &&
                         after.descriptors == before.descriptors &&
                         after.threads == before.threads && after.zombies == 0;
    fmt::print("{}\n", bounded ? "bounded" : "NOT bounded");
    return bounded ? 0 : 1;
}
