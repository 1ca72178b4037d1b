// The speed test on a real link, for bench/speedtest/run.sh.
//
//   speedtest_bench monitor SERVICE_URL PING_HOST LABEL RATE_MBIT
//     One test of the real SpeedTestMonitor over the CloudflareSpeedTestRunner
//     and the ping latency prober (one-packet pings through lumra-systool),
//     with an independent iputils ping every 0.1 s beside it. Prints one row:
//     throughput and its ratio to the shaped rate, the baseline, each phase's
//     loaded latency beside the mean of the independent pings answered in
//     the same phase, and the grades.
//   speedtest_bench loopback SERVER_PROGRAM ROUNDS
//     Starts the bench server on 127.0.0.1 and alternates the runner's
//     download with a plain libcurl download of the same 4 x 8,000,000 bytes,
//     and with the HTTP client alone (four parallel sends, no task group),
//     which tells the runner's own cost from the HTTP layer's.
//
// Tasks run on the main actor of a real-clock run loop; the transfers on the
// I/O thread.
#include "base/UniqueFd.h"
#include "bench/support/RealSpeedTestMonitor.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "platform/http/CurlHttpClient.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/speedtest/CloudflareSpeedTestRunner.h"
#include "probes/speedtest/PingProbeLatencyProber.h"
#include "systool/SystoolPath.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <curl/curl.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace lumra;
using namespace std::chrono_literals;

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double parseDouble(std::string_view text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string shown(std::optional<double> value, int digits = 2) {
    return value ? fmt::format("{:.{}f}", *value, digits) : std::string("-");
}

// A child whose standard output is read to its end by a thread of its own.
class Child {
public:
    explicit Child(std::vector<std::string> argv) {
        UniquePipe out = openPipe(O_CLOEXEC);
        if (!out.read)
            throw std::runtime_error("pipe2");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out.write.get(), STDOUT_FILENO);
        std::vector<char*> args;
        for (std::string& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        const int spawned = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("cannot start " + argv[0]);
        out.write.reset();
        m_reader = std::thread([this, fd = std::move(out.read)] {
            char buffer[4096];
            ssize_t got;
            while ((got = ::read(fd.get(), buffer, sizeof buffer)) > 0) {
                std::lock_guard lock(m_mutex);
                m_output.append(buffer, static_cast<std::size_t>(got));
            }
        });
    }
    ~Child() { stop(SIGTERM); }

    std::string output() {
        std::lock_guard lock(m_mutex);
        return m_output;
    }

    // Signals the child, reaps it and returns everything it printed.
    std::string stop(int signal) {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (m_reader.joinable())
            m_reader.join();
        return output();
    }

private:
    pid_t m_pid = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    std::string m_output;
};

struct PingReply {
    double atWallSeconds;
    double milliseconds;
};

// "[1700000000.123456] 64 bytes from 10.0.0.2: icmp_seq=1 ttl=63 time=0.080 ms"
std::vector<PingReply> pingReplies(const std::string& output) {
    std::vector<PingReply> replies;
    std::size_t begin = 0;
    while (begin < output.size()) {
        std::size_t end = output.find('\n', begin);
        if (end == std::string::npos)
            end = output.size();
        const std::string_view line(output.data() + begin, end - begin);
        begin = end + 1;
        const std::size_t close = line.find(']');
        const std::size_t time = line.find(" time=");
        if (!line.starts_with("[") || close == std::string_view::npos ||
            time == std::string_view::npos)
            continue;
        replies.push_back(
            {parseDouble(line.substr(1, close - 1)), parseDouble(line.substr(time + 6))});
    }
    return replies;
}

std::optional<double> meanBetween(const std::vector<PingReply>& replies, std::optional<double> from,
                                  std::optional<double> to, std::size_t& count) {
    double sum = 0;
    count = 0;
    if (!from || !to)
        return std::nullopt;
    for (const PingReply& reply : replies) {
        if (reply.atWallSeconds >= *from && reply.atWallSeconds <= *to) {
            sum += reply.milliseconds;
            ++count;
        }
    }
    return count > 0 ? std::optional<double>(sum / static_cast<double>(count)) : std::nullopt;
}

std::string gradeText(const std::optional<BufferbloatGrade>& grade,
                      const std::optional<double>& ratio) {
    if (!grade)
        return "-";
    return fmt::format("{} ({})", rawValue(*grade), shown(ratio, 1));
}

int runMonitor(const std::string& service, const std::string& host, const std::string& label,
               double rateMbit) {
    RunLoop loop;
    auto monitor = bench::makeRealSpeedTestMonitor(service, host);

    Child independent({"/usr/bin/ping", "-n", "-D", "-i", "0.1", "-W", "1", host});
    std::optional<double> downloadStart, uploadStart, end;
    monitor->start();
    bool replayed = false;
    auto onBaseline =
        monitor->baselineLatencyMilliseconds().subscribe([&](const std::optional<double>&) {
            if (replayed)
                downloadStart = wallSeconds();
            replayed = true;
        });
    auto onPhase = monitor->phase().subscribe([&](SpeedTestPhase phase) {
        if (phase == SpeedTestPhase::upload && !uploadStart)
            uploadStart = wallSeconds();
        if (phase == SpeedTestPhase::completed || phase == SpeedTestPhase::failed ||
            phase == SpeedTestPhase::cancelled)
            end = wallSeconds();
    });
    const bool finished = loop.runUntil([&] { return !monitor->isRunning().get(); }, 300s);
    const std::vector<PingReply> replies = pingReplies(independent.stop(SIGINT));
    if (!finished || monitor->phase().get() != SpeedTestPhase::completed) {
        fmt::print("{:<26} failed: phase {}, {}\n", label, rawValue(monitor->phase().get()),
                   monitor->lastErrorMessage().get().value_or("no message"));
        return 1;
    }
    std::size_t downloadPings = 0, uploadPings = 0;
    const auto downloadPing = meanBetween(replies, downloadStart, uploadStart, downloadPings);
    const auto uploadPing = meanBetween(replies, uploadStart, end, uploadPings);
    const double down = *monitor->downloadMbps().get();
    const double up = *monitor->uploadMbps().get();
    fmt::print("{:<26} {:>4} | {:>7.2f} {:>5.3f} | {:>7.2f} {:>5.3f} | {:>6} | {:>7} {:>3} {:>7} "
               "{:>3} | {:>7} {:>3} "
               "{:>7} {:>3} | {:>9} {:>9}\n",
               label, rateMbit, down, down / rateMbit, up, up / rateMbit,
               shown(monitor->baselineLatencyMilliseconds().get(), 3),
               shown(monitor->downloadLoadedLatencyMilliseconds().get(), 1),
               monitor->downloadLoadedLatencySamples().size(), shown(downloadPing, 1),
               downloadPings, shown(monitor->uploadLoadedLatencyMilliseconds().get(), 1),
               monitor->uploadLoadedLatencySamples().size(), shown(uploadPing, 1), uploadPings,
               gradeText(monitor->downloadBufferbloatGrade().get(),
                         monitor->downloadBufferbloatRatio().get()),
               gradeText(monitor->uploadBufferbloatGrade().get(),
                         monitor->uploadBufferbloatRatio().get()));
    return 0;
}

std::size_t countBytes(char*, std::size_t size, std::size_t count, void* total) {
    *static_cast<std::uint64_t*>(total) += size * count;
    return size * count;
}

// The same chunks over a bare multi handle: parallel GETs, bodies dropped.
double plainLibcurlMbps(const std::string& url, int streams) {
    CURLM* multi = curl_multi_init();
    std::vector<CURL*> easies;
    std::vector<std::uint64_t> received(static_cast<std::size_t>(streams), 0);
    for (int i = 0; i < streams; ++i) {
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, countBytes);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &received[static_cast<std::size_t>(i)]);
        easies.push_back(easy);
    }
    const auto begin = std::chrono::steady_clock::now();
    for (CURL* easy : easies)
        curl_multi_add_handle(multi, easy);
    int running = 1;
    while (running > 0) {
        curl_multi_perform(multi, &running);
        if (running > 0)
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < easies.size(); ++i) {
        total += received[i];
        curl_multi_remove_handle(multi, easies[i]);
        curl_easy_cleanup(easies[i]);
    }
    curl_multi_cleanup(multi);
    return static_cast<double>(total) * 8 / (seconds * 1e6);
}

// Four parallel sends of the HTTP client, each in a main-actor task.
double httpClientMbps(RunLoop& loop, const std::shared_ptr<HttpClient>& client, const Url& url,
                      int streams) {
    const auto begin = std::chrono::steady_clock::now();
    std::vector<TaskHandle<std::size_t>> transfers;
    for (int i = 0; i < streams; ++i) {
        transfers.push_back(spawn(mainActor(), [client, url]() -> Task<std::size_t> {
            auto request = HttpRequest{.url = url, .timeoutSeconds = 10.0};
            const HttpResponse response = co_await client->send(std::move(request));
            co_return response.body.size();
        }));
    }
    std::uint64_t total = 0;
    for (const auto& transfer : transfers)
        total += loop.await(transfer, 60s);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return static_cast<double>(total) * 8 / (seconds * 1e6);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int runLoopback(const std::string& serverProgram, int rounds) {
    Child server({serverProgram, "127.0.0.1", "0"});
    std::string announced;
    for (int i = 0; i < 200 && announced.find('\n') == std::string::npos; ++i) {
        std::this_thread::sleep_for(10ms);
        announced = server.output();
    }
    if (!announced.starts_with("port ")) {
        fmt::print("the bench server did not start\n");
        return 1;
    }
    const std::string service = "http://127.0.0.1:" + announced.substr(5, announced.find('\n') - 5);
    const SpeedTestConfiguration configuration = defaultSpeedTestConfiguration;
    const std::string chunkURL =
        fmt::format("{}/__down?bytes={}", service, configuration.downloadChunkSizeBytes);

    RunLoop loop;
    auto http = std::make_shared<CurlHttpClient>();
    auto runner = std::make_shared<CloudflareSpeedTestRunner>(
        http, speedTestDownloadURLFactory(service), speedTestUploadURL(service));
    const auto streams = static_cast<int>(configuration.downloadChunks);
    std::vector<double> runnerMbps, plainMbps, clientMbps;
    for (int round = 1; round <= rounds; ++round) {
        const double viaRunner =
            loop.await(spawn(mainActor(),
                             [runner, configuration] {
                                 return runner->download(configuration, SpeedTestProgress());
                             }),
                       60s);
        const double viaPlain = plainLibcurlMbps(chunkURL, streams);
        const double viaClient = httpClientMbps(loop, http, *Url::parse(chunkURL), streams);
        runnerMbps.push_back(viaRunner);
        plainMbps.push_back(viaPlain);
        clientMbps.push_back(viaClient);
        fmt::print("round {}: runner {:>6.0f} Mbps | plain libcurl {:>6.0f} Mbps | HTTP client "
                   "alone {:>6.0f} Mbps"
                   " | runner/plain {:.2f}\n",
                   round, viaRunner, viaPlain, viaClient, viaRunner / viaPlain);
    }
    fmt::print("median : runner {:>6.0f} Mbps | plain libcurl {:>6.0f} Mbps | HTTP client alone "
               "{:>6.0f} Mbps"
               " | runner/plain {:.2f}\n",
               median(runnerMbps), median(plainMbps), median(clientMbps),
               median(runnerMbps) / median(plainMbps));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::string mode = argc > 1 ? argv[1] : "";
    int status = 2;
    if (mode == "monitor" && argc == 6) {
        status = runMonitor(argv[2], argv[3], argv[4], parseDouble(argv[5]));
    } else if (mode == "loopback" && argc == 4) {
        status = runLoopback(argv[2], static_cast<int>(parseDouble(argv[3])));
    } else {
        fmt::print(stderr, "usage: speedtest_bench monitor SERVICE_URL PING_HOST LABEL RATE_MBIT\n"
                           "       speedtest_bench loopback SERVER_PROGRAM ROUNDS\n");
    }
    curl_global_cleanup();
    return status;
}
