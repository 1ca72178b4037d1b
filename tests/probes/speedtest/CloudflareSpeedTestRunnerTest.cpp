// The speed-test runner against the local test server on 127.0.0.1, through
// the real HTTP client, on a real-clock run loop.
#include "probes/speedtest/CloudflareSpeedTestRunner.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Hops.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "platform/http/CurlHttpClient.h"
#include "probes/speedtest/SpeedTestRunnerError.h"
#include "tests/platform/http/LocalHttpServer.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

enum class Direction { download, upload };

std::string nameOf(Direction direction) {
    return direction == Direction::download ? "download" : "upload";
}

// Counts the requests handed to the real client and those not yet answered,
// so a test can tell that every chunk had ended when the call returned.
class CountingHttpClient final : public HttpClient {
public:
    explicit CountingHttpClient(std::shared_ptr<HttpClient> inner) : m_inner(std::move(inner)) {}

    Task<HttpResponse> send(HttpRequest request) override {
        return forward(m_inner, m_counts, std::move(request));
    }

    int sent() const { return m_counts->sent; }
    int inFlight() const { return m_counts->inFlight; }

private:
    struct Counts {
        std::atomic<int> sent{0};
        std::atomic<int> inFlight{0};
    };
    struct Leaving {
        Counts& counts;
        ~Leaving() { --counts.inFlight; }
    };

    static Task<HttpResponse> forward(std::shared_ptr<HttpClient> inner,
                                      std::shared_ptr<Counts> counts, HttpRequest request) {
        ++counts->sent;
        ++counts->inFlight;
        Leaving leaving{*counts};
        co_return co_await inner->send(std::move(request));
    }

    std::shared_ptr<HttpClient> m_inner;
    std::shared_ptr<Counts> m_counts = std::make_shared<Counts>();
};

// The first reading is the start; every later one is `elapsed` after it.
struct SteppingClock {
    Clock::UptimePoint start = Clock::UptimePoint(std::chrono::hours(5));
    std::chrono::nanoseconds elapsed{};
    std::atomic<int> reads{0};

    Clock::UptimePoint now() { return reads++ == 0 ? start : start + elapsed; }
};

SpeedTestConfiguration configuration(std::int64_t chunkSizeBytes, std::int64_t chunks,
                                     double timeout = 10.0) {
    return SpeedTestConfiguration{chunkSizeBytes, chunks, chunkSizeBytes, chunks, timeout};
}

class CloudflareSpeedTestRunnerTest : public ::testing::Test {
protected:
    Url urlOf(std::string_view pathAndQuery) const { return *Url::parse(server.url(pathAndQuery)); }

    // Every download chunk asks for pathAndQuery; an empty one gives no URL.
    SpeedTestDownloadURLFactory downloadsFrom(std::string pathAndQuery) {
        auto url = pathAndQuery.empty() ? std::nullopt : std::optional<Url>(urlOf(pathAndQuery));
        return [url, calls = factoryCalls](std::int64_t) {
            ++*calls;
            return url;
        };
    }
    // "/down?bytes=" with the count asked for.
    SpeedTestDownloadURLFactory sizedDownloads() {
        return [base = server.url("/down?bytes="), calls = factoryCalls](std::int64_t bytes) {
            ++*calls;
            return Url::parse(base + std::to_string(bytes));
        };
    }

    std::shared_ptr<SpeedTesting> runner(SpeedTestDownloadURLFactory downloads,
                                         std::optional<std::string> uploadPath,
                                         std::shared_ptr<SteppingClock> clock = nullptr) {
        std::optional<Url> upload;
        if (uploadPath)
            upload = urlOf(*uploadPath);
        UptimeProvider uptime;
        if (clock)
            uptime = [clock] {
                return clock->now();
            };
        return std::make_shared<CloudflareSpeedTestRunner>(client, std::move(downloads),
                                                           std::move(upload), std::move(uptime));
    }

    TaskHandle<double> start(std::shared_ptr<SpeedTesting> speedTest, Direction direction,
                             SpeedTestConfiguration settings) {
        SpeedTestProgress progress = [this](double fraction) {
            return record(this, fraction);
        };
        return spawn(mainActor(), [speedTest, direction, settings, progress]() -> Task<double> {
            if (direction == Direction::download)
                co_return co_await speedTest->download(settings, progress);
            co_return co_await speedTest->upload(settings, progress);
        });
    }

    // Reports arrive in the runner's task, which runs on the pool; they are
    // kept on the main actor, as the monitor keeps its own.
    static Task<void> record(CloudflareSpeedTestRunnerTest* self, double fraction) {
        co_await resumeOn(mainActor());
        self->fractions.push_back(fraction);
        if (self->onProgress)
            co_await self->onProgress(fraction);
    }

    // The error the call ended with; null when it returned a throughput.
    std::exception_ptr errorOf(const TaskHandle<double>& handle, std::chrono::seconds limit = 20s) {
        try {
            loop.await(handle, limit);
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    }

    static std::optional<SpeedTestRunnerError> runnerErrorOf(const std::exception_ptr& error) {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const SpeedTestRunnerError& runnerError) {
            return runnerError;
        } catch (...) {
        }
        return std::nullopt;
    }

    static bool isCancellation(const std::exception_ptr& error) {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const CancellationError&) {
            return true;
        } catch (...) {
        }
        return false;
    }

    // Connection numbers of the server's "request ID METHOD PATH" lines for path.
    std::vector<int> connectionsRequesting(std::string_view path) const {
        std::vector<int> connections;
        for (const std::string& line : server.events()) {
            std::istringstream words(line);
            std::string kind, method, requested;
            int connection = 0;
            words >> kind >> connection >> method >> requested;
            if (kind == "request" && requested == path)
                connections.push_back(connection);
        }
        return connections;
    }

    // Waits until the server has seen at least `atLeast` of these connections close.
    bool serverClosed(const std::vector<int>& connections, std::size_t atLeast) const {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            const std::vector<std::string> lines = server.events();
            std::size_t closed = 0;
            for (const int connection : connections)
                closed +=
                    std::count(lines.begin(), lines.end(), fmt::format("closed {}", connection));
            if (closed >= atLeast)
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(10ms);
        }
    }

    std::vector<std::string> eventsOf(std::string_view kind) const {
        std::vector<std::string> lines;
        for (const std::string& line : server.events()) {
            if (line.starts_with(std::string(kind) + " "))
                lines.push_back(line);
        }
        return lines;
    }

    // Declared first so that it outlives the clients and the runtime.
    test::LocalHttpServer server;
    RunLoop loop;
    std::shared_ptr<CountingHttpClient> client =
        std::make_shared<CountingHttpClient>(std::make_shared<CurlHttpClient>());
    std::shared_ptr<std::atomic<int>> factoryCalls = std::make_shared<std::atomic<int>>(0);
    std::vector<double> fractions;
    std::function<Task<void>(double)> onProgress;
};

TEST_F(CloudflareSpeedTestRunnerTest, TheServerSeesFourChunksAtOnceOnFourConnections) {
    std::size_t gates = 0;
    for (const Direction direction : {Direction::download, Direction::upload}) {
        SCOPED_TRACE(nameOf(direction));
        // The gate answers nobody until all four are waiting together; chunks
        // sent one after another would find it closed and get a 503.
        const std::string gate =
            fmt::format("/gate?name={}&parties=4&bytes=1000&wait_ms=5000", nameOf(direction));
        auto speedTest = runner(downloadsFrom(gate), gate);
        const std::exception_ptr error =
            errorOf(start(speedTest, direction, configuration(1000, 4)));
        EXPECT_FALSE(error)
            << runnerErrorOf(error).value_or(SpeedTestRunnerError::invalidRequest()).what();
        ASSERT_TRUE(server.waitFor("gathered", ++gates, 10s));
        EXPECT_EQ(eventsOf("gathered").back(), "gathered " + nameOf(direction));
    }
    const std::vector<int> connections = connectionsRequesting("/gate");
    ASSERT_EQ(connections.size(), 8u);
    EXPECT_EQ(std::set<int>(connections.begin(), connections.begin() + 4).size(), 4u);
    EXPECT_EQ(std::set<int>(connections.begin() + 4, connections.end()).size(), 4u);
    EXPECT_EQ(client->sent(), 8);
}

TEST_F(CloudflareSpeedTestRunnerTest, ProgressFollowsTheOrderInWhichChunksFinish) {
    // Only the last of the four to arrive is answered at once; the other
    // three wait until the first progress report opens the gate. A runner
    // that took its chunks in the order it started them would wait on a
    // held one and end with a 503 instead.
    auto control = std::make_shared<CurlHttpClient>();
    const Url open = urlOf("/open?name=held");
    int opened = 0;
    onProgress = [&, control, open](double) -> Task<void> {
        if (opened++ == 0) {
            auto request = HttpRequest{.url = open};
            co_await control->send(std::move(request));
        }
    };
    auto speedTest = runner(
        downloadsFrom("/gate?name=held&parties=4&bytes=1000&hold=1&wait_ms=5000"), std::nullopt);
    const std::exception_ptr error =
        errorOf(start(speedTest, Direction::download, configuration(1000, 4)));
    EXPECT_FALSE(error);
    EXPECT_EQ(fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
    EXPECT_EQ(opened, 4);
}

TEST_F(CloudflareSpeedTestRunnerTest,
       AStatusOutsideTwoHundredsEndsTheCallAndTheChunksStillInFlight) {
    struct Row {
        Direction direction;
        int status;
    };
    const std::vector<Row> rows{
        {Direction::download, 404},
        {Direction::download, 500},
        {Direction::download, 300},
        {Direction::upload, 500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fmt::format("{} {}", nameOf(row.direction), row.status));
        // Once all four chunks wait at the gate, the last to arrive gets the
        // status; the other three stay unanswered for 30 s, as long as the
        // requests' own time-out, unless the runner drops them.
        const std::string path =
            fmt::format("/gate?name={}{}&parties=4&bytes=1&status={}&hold=1&wait_ms=30000",
                        nameOf(row.direction), row.status, row.status);
        fractions.clear();
        auto speedTest = runner(downloadsFrom(path), path);
        const auto began = std::chrono::steady_clock::now();
        const std::exception_ptr error =
            errorOf(start(speedTest, row.direction, configuration(1000, 4, /*timeout=*/30.0)));
        EXPECT_LT(std::chrono::steady_clock::now() - began, 10s);
        EXPECT_EQ(runnerErrorOf(error), SpeedTestRunnerError::invalidResponse());
        EXPECT_EQ(client->inFlight(), 0) << "every chunk had ended when the call threw";
        EXPECT_TRUE(fractions.empty());
    }
    EXPECT_TRUE(server.waitFor("gathered", rows.size(), 10s));
}

TEST_F(CloudflareSpeedTestRunnerTest, StatusTwoNinetyNineIsASuccess) {
    for (const Direction direction : {Direction::download, Direction::upload}) {
        SCOPED_TRACE(nameOf(direction));
        fractions.clear();
        auto speedTest = runner(downloadsFrom("/answer?status=299&body=abc"), "/sink?status=299");
        const auto handle = start(speedTest, direction, configuration(1000, 4));
        EXPECT_FALSE(errorOf(handle));
        EXPECT_GT(handle.get(), 0.0);
        EXPECT_EQ(fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
    }
}

TEST_F(CloudflareSpeedTestRunnerTest, EmptyTransfersEndWithNoDataTransferred) {
    struct Row {
        Direction direction;
        SpeedTestConfiguration settings;
    };
    const std::vector<Row> rows{
        // Every chunk answered 200 with an empty body.
        {Direction::download, configuration(1000, 4)},
        // Bodies of no bytes: nothing is sent, whatever the answer.
        {Direction::upload, configuration(0, 4)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nameOf(row.direction));
        fractions.clear();
        auto speedTest = runner(downloadsFrom("/early?read=81920"), "/sink");
        const std::exception_ptr error = errorOf(start(speedTest, row.direction, row.settings));
        EXPECT_EQ(runnerErrorOf(error), SpeedTestRunnerError::noDataTransferred());
        EXPECT_EQ(fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
    }
}

TEST_F(CloudflareSpeedTestRunnerTest, ChunkCountsBelowOneAreInvalidBeforeAnythingIsSent) {
    struct Row {
        std::string name;
        Direction direction;
        std::int64_t chunks;
        std::optional<std::string> uploadPath;
    };
    const std::vector<Row> rows{
        {"no download chunk", Direction::download, 0, "/sink"},
        {"negative download chunks", Direction::download, -3, "/sink"},
        {"no upload chunk", Direction::upload, 0, "/sink"},
        {"negative upload chunks", Direction::upload, -1, "/sink"},
        {"no upload address", Direction::upload, 4, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto clock = std::make_shared<SteppingClock>();
        auto speedTest = runner(sizedDownloads(), row.uploadPath, clock);
        const std::exception_ptr error =
            errorOf(start(speedTest, row.direction, configuration(1000, row.chunks)));
        EXPECT_EQ(runnerErrorOf(error), SpeedTestRunnerError::invalidRequest());
        EXPECT_EQ(clock->reads, 0) << "refused before the clock started";
    }
    EXPECT_EQ(*factoryCalls, 0);
    EXPECT_EQ(client->sent(), 0);
    EXPECT_TRUE(fractions.empty());
    EXPECT_EQ(server.count("request"), 0u);
}

TEST_F(CloudflareSpeedTestRunnerTest, UploadPostsBodiesOfA5BytesAsOctetStream) {
    auto speedTest = runner(sizedDownloads(), "/sink");
    EXPECT_FALSE(errorOf(start(speedTest, Direction::upload, configuration(5000, 4))));
    ASSERT_TRUE(server.waitFor("body", 4, 10s));
    const std::vector<std::string> bodies = eventsOf("body");
    ASSERT_EQ(bodies.size(), 4u);
    for (const std::string& body : bodies) {
        // "body ID LENGTH CONTENT-TYPE BYTES"
        EXPECT_TRUE(body.ends_with(" 5000 application/octet-stream a5")) << body;
    }
}

TEST_F(CloudflareSpeedTestRunnerTest, ThroughputIsExactUnderAnInjectedClock) {
    struct Row {
        std::string name;
        Direction direction;
        std::int64_t chunkSizeBytes;
        std::chrono::nanoseconds elapsed;
        double mbps;
    };
    const std::vector<Row> rows{
        {"32 MB in 8 s", Direction::download, 8'000'000, 8s, 32.0},
        // A finish within 1 ms counts as 1 ms, not as a division by almost nothing.
        {"32 MB in half a millisecond", Direction::download, 8'000'000, 500us, 256'000.0},
        // The bytes sent count, although the service answers with no body.
        {"12 MB sent in 6 s", Direction::upload, 3'000'000, 6s, 16.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto clock = std::make_shared<SteppingClock>();
        clock->elapsed = row.elapsed;
        auto speedTest = runner(sizedDownloads(), "/sink", clock);
        const auto handle = start(speedTest, row.direction, configuration(row.chunkSizeBytes, 4));
        ASSERT_FALSE(errorOf(handle, 60s));
        EXPECT_DOUBLE_EQ(handle.get(), row.mbps);
    }
}

// Servers that never stop sending or drip: each chunk counts at most the
// bytes it asked for, and every request has an overall limit, so the call
// ends within its time-outs instead of running until cancelled.
TEST_F(CloudflareSpeedTestRunnerTest, HostileDownloadServersEndTheTestWithinItsTimeOuts) {
    struct Row {
        std::string name;
        std::string path;
        // The throughput under the injected clock (1 s), absent for a failure.
        std::optional<double> mbps;
    };
    const std::vector<Row> rows{
        // Four chunks of 100,000 bytes in one second, whatever more was sent.
        {"sends without end", "/down?bytes=1000000000000", 3.2},
        {"sends without end, chunked", "/down?bytes=1000000000000&chunked=1", 3.2},
        {"drips a byte every 100 ms", "/trickle?bytes=100000&interval_ms=100", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto clock = std::make_shared<SteppingClock>();
        clock->elapsed = 1s;
        auto speedTest = runner(downloadsFrom(row.path), "/sink", clock);
        SpeedTestConfiguration settings = configuration(100'000, 4, 1.0);
        settings.requestOverallTimeout = 2.0;
        const auto began = std::chrono::steady_clock::now();
        const auto handle = start(speedTest, Direction::download, settings);
        const std::exception_ptr error = errorOf(handle, 20s);
        const auto took = std::chrono::steady_clock::now() - began;
        std::printf("figure: download from a server that %s ended after %lld ms (%s)\n",
                    row.name.c_str(),
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
                    error ? "failed" : "measured");
        ASSERT_TRUE(handle.isFinished()) << "still running after 20 s";
        EXPECT_LT(took, 2s + 1s);
        if (row.mbps) {
            ASSERT_FALSE(error);
            EXPECT_DOUBLE_EQ(handle.get(), *row.mbps);
        } else {
            EXPECT_TRUE(error);
        }
    }
}

// A server that keeps a chunk alive with a byte every few seconds never trips
// the no-progress time-out; the pace floor (its window shortened from 15 s)
// ends the test instead of the overall limit. A slow chunk that keeps above
// the floor completes.
TEST_F(CloudflareSpeedTestRunnerTest, AChunkBelowThePaceFloorFailsTheTestAndASlowOneCompletes) {
    struct Row {
        std::string name;
        std::string path;
        bool completes;
    };
    const std::vector<Row> rows{
        {"drips a byte every 4 s", "/trickle?bytes=1000&interval_ms=4000", false},
        {"sends 500 bytes a second", "/trickle?bytes=100000&piece=100&interval_ms=200", false},
        {"sends 3,000 bytes a second", "/trickle?bytes=6000&piece=300&interval_ms=100", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto speedTest = runner(downloadsFrom(row.path), "/sink");
        SpeedTestConfiguration settings = configuration(6000, 2, /*timeout=*/10.0);
        settings.requestOverallTimeout = 10.0;
        settings.lowSpeedSeconds = 1.5;
        ASSERT_EQ(settings.lowSpeedBytesPerSecond, 1000.0);
        const auto began = std::chrono::steady_clock::now();
        const auto handle = start(speedTest, Direction::download, settings);
        const std::exception_ptr error = errorOf(handle, 30s);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        std::string message = "measured";
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const std::exception& failure) {
            message = failure.what();
        }
        std::printf("figure: download from a server that %s ended after %.2f s (%s)\n",
                    row.name.c_str(), took, message.c_str());
        ASSERT_TRUE(handle.isFinished());
        if (row.completes) {
            EXPECT_FALSE(error) << message;
            EXPECT_GT(handle.get(), 0.0);
            EXPECT_GE(took, 1.9) << "the server needs 2 s: the floor's window was outlasted";
            continue;
        }
        EXPECT_EQ(message, "Operation too slow: less than 1000 bytes/s for 1.5 s");
        EXPECT_GE(took, 1.4);
        EXPECT_LT(took, 3.0) << "ended by the floor, long before the 10 s limits";
    }
}

// A service that answers before it has read the body: only what was sent
// counts, not the size of the body the request offered. The socket buffers
// take some megabytes the service never reads; the bodies are larger than
// all of them.
TEST_F(CloudflareSpeedTestRunnerTest, UploadThroughputCountsOnlyTheBytesSent) {
    auto clock = std::make_shared<SteppingClock>();
    clock->elapsed = 1s;
    auto speedTest = runner(sizedDownloads(), "/early?read=81920", clock);
    const auto handle = start(speedTest, Direction::upload, configuration(16'000'000, 2));
    ASSERT_FALSE(errorOf(handle, 20s));
    constexpr double everyByte = 32'000'000 * 8 / 1e6;
    std::printf("figure: upload to a service that answers after 81,920 bytes of each 16,000,000: "
                "%.1f Mbps over 1 s (every byte offered would be %.0f)\n",
                handle.get(), everyByte);
    EXPECT_LT(handle.get(), everyByte / 2);
    EXPECT_GT(handle.get(), 2 * 81'920 * 8 / 1e6);
}

TEST_F(CloudflareSpeedTestRunnerTest, CancellingMidTransferThrowsCancellationError) {
    for (const Direction direction : {Direction::download, Direction::upload}) {
        SCOPED_TRACE(nameOf(direction));
        const std::size_t requestsBefore = server.count("request");
        // Never answered; the uploads stall with their bodies unread.
        auto speedTest = runner(downloadsFrom("/silent"), "/silent");
        const auto handle =
            start(speedTest, direction, configuration(1'000'000, 4, /*timeout=*/30.0));
        ASSERT_TRUE(
            loop.runUntil([&] { return server.count("request") >= requestsBefore + 4; }, 10s));
        const auto cancelled = std::chrono::steady_clock::now();
        handle.cancel();
        EXPECT_TRUE(isCancellation(errorOf(handle)));
        EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 5s);
        EXPECT_EQ(client->inFlight(), 0);
        // The server notices a dropped connection only when no request body
        // is left unread on it, so it can tell for the downloads.
        if (direction == Direction::download) {
            EXPECT_TRUE(serverClosed(connectionsRequesting("/silent"), 4));
        }
    }
}

} // namespace
} // namespace lumra
