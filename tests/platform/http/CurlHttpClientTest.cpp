#include "platform/http/CurlHttpClient.h"

#include "concurrency/Cancellation.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "tests/platform/http/LocalHttpServer.h"
#include "tests/support/ClosedPort.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

std::string text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

Url urlOf(const std::string& text) {
    auto url = Url::parse(text);
    EXPECT_TRUE(url) << text;
    return url ? *url : *Url::parse("http://127.0.0.1/");
}

HttpBody patternedBody(std::size_t size) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(size);
    for (std::size_t i = 0; i < size; ++i)
        (*bytes)[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class CurlHttpClientTest : public ::testing::Test {
protected:
    HttpRequest requestFor(std::string_view pathAndQuery) {
        return HttpRequest{.url = urlOf(server.url(pathAndQuery))};
    }

    TaskHandle<HttpResponse> start(HttpRequest request) {
        return spawn(mainActor(), [client = client, request]() -> Task<HttpResponse> {
            co_return co_await client->send(request);
        });
    }

    HttpResponse fetch(HttpRequest request) { return loop.await(start(std::move(request)), 20s); }

    // The HttpError the task ended with; fails the test for any other outcome.
    HttpError errorOf(const TaskHandle<HttpResponse>& handle) {
        try {
            const HttpResponse response = loop.await(handle, 20s);
            ADD_FAILURE() << "answered with status " << response.statusCode;
        } catch (const HttpError& error) {
            return error;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "failed with " << error.what();
        }
        return HttpError(HttpErrorKind::other, "no HttpError");
    }

    bool endsCancelled(const TaskHandle<HttpResponse>& handle) {
        try {
            loop.await(handle, 20s);
        } catch (const CancellationError&) {
            return true;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "failed with " << error.what();
        }
        return false;
    }

    // Drives the main actor while the server reports.
    bool serverSaw(std::string_view kind, std::size_t atLeast) {
        return loop.runUntil([&] { return server.count(kind) >= atLeast; }, 10s);
    }

    // Declared first so that it outlives the client and the runtime.
    test::LocalHttpServer server;
    RunLoop loop;
    std::shared_ptr<CurlHttpClient> client = std::make_shared<CurlHttpClient>();
};

TEST_F(CurlHttpClientTest, RedirectIsTheResponseWhenBlockedAndFollowedOtherwise) {
    struct Row {
        RedirectPolicy policy;
        int status;
        std::string body;
        std::optional<std::string> location;
        std::string finalPath;
    };
    const std::vector<Row> rows{
        {RedirectPolicy::block, 302, "moved", "/target", "/redirect"},
        {RedirectPolicy::follow, 200, "arrived", std::nullopt, "/target"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        auto request = requestFor("/redirect");
        request.redirects = row.policy;
        const HttpResponse response = fetch(request);
        EXPECT_EQ(response.statusCode, row.status);
        EXPECT_EQ(text(response.body), row.body);
        EXPECT_EQ(response.headers.value("Location"), row.location);
        EXPECT_EQ(response.url, urlOf(server.url(row.finalPath)));
    }
}

TEST_F(CurlHttpClientTest, FollowsNoRedirectToASchemeOtherThanHttp) {
    auto request = requestFor("/redirect?to=file:///etc/passwd");
    const HttpError error = errorOf(start(request));
    EXPECT_EQ(error.kind(), HttpErrorKind::other) << error.message();

    request.redirects = RedirectPolicy::block;
    const HttpResponse blocked = fetch(request);
    EXPECT_EQ(blocked.statusCode, 302);
    EXPECT_EQ(blocked.headers.value("location"), "file:///etc/passwd");
}

TEST_F(CurlHttpClientTest, ResponseHeaderLookupIgnoresCaseAndJoinsRepeatedFields) {
    const HttpResponse response = fetch(requestFor("/target"));
    EXPECT_EQ(response.headers.value("x-mixed-case"), "yes");
    EXPECT_EQ(response.headers.value("X-REPEATED"), "a, b");
    EXPECT_EQ(response.headers.value("content-length"), "7");
}

TEST_F(CurlHttpClientTest, CustomHeadersArriveAndExpectIsNeverSent) {
    struct Row {
        HttpMethod method;
        std::size_t bodyBytes;
    };
    // Large enough that curl would otherwise ask for "100 Continue".
    const std::vector<Row> rows{{HttpMethod::get, 0}, {HttpMethod::post, 2'000'000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bodyBytes);
        auto request = requestFor("/headers");
        request.method = row.method;
        if (row.bodyBytes > 0)
            request.body = patternedBody(row.bodyBytes);
        request.headers.set("Cache-Control", "no-cache");
        request.headers.set("Pragma", "no-cache");
        request.headers.set("X-Empty", "");
        const HttpResponse response = fetch(request);
        ASSERT_EQ(response.statusCode, 200);
        const auto received = nlohmann::json::parse(text(response.body));
        EXPECT_EQ(received.value("cache-control", ""), "no-cache");
        EXPECT_EQ(received.value("pragma", ""), "no-cache");
        EXPECT_EQ(received.value("x-empty", "absent"), "");
        EXPECT_FALSE(received.contains("expect")) << received.dump();
        if (row.bodyBytes > 0) {
            EXPECT_EQ(received.value("content-length", ""), std::to_string(row.bodyBytes));
        }
    }
}

TEST_F(CurlHttpClientTest, SlowTransferThatKeepsProgressingOutlastsTheTimeout) {
    auto request = requestFor("/trickle?bytes=10&interval_ms=100");
    request.timeoutSeconds = 0.5;
    const auto begin = std::chrono::steady_clock::now();
    const HttpResponse response = fetch(request);
    EXPECT_EQ(text(response.body), "xxxxxxxxxx");
    // The server needs about a second: the time-out was really outlasted.
    EXPECT_GE(Seconds(std::chrono::steady_clock::now() - begin).count(), 0.9);
}

TEST_F(CurlHttpClientTest, TransferWithoutProgressFailsNearTheTimeout) {
    struct Row {
        std::string name;
        std::string path;
        std::size_t uploadBytes;
    };
    const std::vector<Row> rows{
        {"no answer", "/silent", 0},
        {"body stops", "/stall?bytes=1000", 0},
        // The server reads none of it, so sending stops once the buffers are full.
        {"upload stops", "/silent", 64u << 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto request = requestFor(row.path);
        request.timeoutSeconds = 0.5;
        if (row.uploadBytes > 0) {
            request.method = HttpMethod::post;
            request.body = patternedBody(row.uploadBytes);
        }
        const auto begin = std::chrono::steady_clock::now();
        const HttpError error = errorOf(start(request));
        const double elapsed = Seconds(std::chrono::steady_clock::now() - begin).count();
        EXPECT_EQ(error.kind(), HttpErrorKind::timedOut) << error.message();
        EXPECT_LT(elapsed, 1.5);
    }
}

// The floor is checked as bytes come (a drip) and by the watchdog when none
// come at all; either way long before the no-progress time-out, which a drip
// never trips.
TEST_F(CurlHttpClientTest, ATransferBelowItsLowSpeedFloorFailsOnceItsWindowPasses) {
    struct Row {
        std::string name;
        std::string path;
        std::optional<HttpLowSpeedLimit> floor;
        std::optional<std::size_t> bodyBytes; // absent: fails as too slow
    };
    const HttpLowSpeedLimit floor{1000, 1.0};
    const std::vector<Row> rows{
        {"a byte every 300 ms", "/trickle?bytes=100&interval_ms=300", floor, std::nullopt},
        {"500 bytes a second", "/trickle?bytes=100000&piece=100&interval_ms=200", floor,
         std::nullopt},
        {"silent after half its body", "/stall?bytes=1500", floor, std::nullopt},
        {"3,000 bytes a second", "/trickle?bytes=4500&piece=300&interval_ms=100", floor, 4500},
        {"a byte every 300 ms, no floor", "/trickle?bytes=4&interval_ms=300", std::nullopt, 4},
        {"a byte every 300 ms, a floor of 0", "/trickle?bytes=4&interval_ms=300",
         HttpLowSpeedLimit{0, 1.0}, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto request = requestFor(row.path);
        request.timeoutSeconds = 10.0;
        request.lowSpeedLimit = row.floor;
        const auto begin = std::chrono::steady_clock::now();
        const auto handle = start(request);
        if (row.bodyBytes) {
            EXPECT_EQ(loop.await(handle, 20s).body.size(), *row.bodyBytes);
            continue;
        }
        const HttpError error = errorOf(handle);
        const double elapsed = Seconds(std::chrono::steady_clock::now() - begin).count();
        EXPECT_EQ(error.kind(), HttpErrorKind::timedOut);
        EXPECT_EQ(error.message(), "Operation too slow: less than 1000 bytes/s for 1 s");
        EXPECT_GE(elapsed, 0.95);
        EXPECT_LT(elapsed, 2.0);
    }
}

TEST_F(CurlHttpClientTest, RefusedConnectionIsCannotConnect) {
    const auto request = HttpRequest{
        .url = urlOf("http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/")};
    const HttpError error = errorOf(start(request));
    EXPECT_EQ(error.kind(), HttpErrorKind::cannotConnect) << error.message();
    EXPECT_FALSE(error.message().empty());
}

TEST_F(CurlHttpClientTest, CancellingInFlightClosesTheConnectionAndThrowsCancellationError) {
    const auto handle = start(requestFor("/silent"));
    ASSERT_TRUE(serverSaw("request", 1));
    const auto begin = std::chrono::steady_clock::now();
    handle.cancel();
    EXPECT_TRUE(endsCancelled(handle));
    EXPECT_LT(Seconds(std::chrono::steady_clock::now() - begin).count(), 3.0);
    EXPECT_TRUE(server.waitFor("closed", 1, 10s));
}

TEST_F(CurlHttpClientTest, AlreadyCancelledCallerOpensNoConnection) {
    const auto cancelled = spawn(
        mainActor(), [client = client, request = requestFor("/target")]() -> Task<HttpResponse> {
            currentTask()->cancel();
            co_return co_await client->send(request);
        });
    EXPECT_TRUE(endsCancelled(cancelled));
    // Had the cancelled call connected, that connection would come first.
    EXPECT_EQ(fetch(requestFor("/target")).statusCode, 200);
    // The server logs as it reads: wait for the request line before counting.
    EXPECT_TRUE(server.waitFor("request", 1, 10s));
    EXPECT_EQ(server.count("open"), 1u);
    EXPECT_EQ(server.count("request"), 1u);
}

TEST_F(CurlHttpClientTest, CancelledBeforeTheTransferRunsOpensNoConnection) {
    // Holds the I/O thread, so that the start and the cancel of the transfer
    // wait behind it and then run in one go, before any socket work.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto holding = std::make_shared<std::atomic<bool>>(false);
    ioThread().post([released, holding] {
        holding->store(true);
        released.wait();
    });
    ASSERT_TRUE(loop.runUntil([&] { return holding->load(); }, 10s));
    const auto handle = start(requestFor("/target"));
    ASSERT_TRUE(loop.runUntil([] { return ioThread().outstanding() >= 2; }, 10s));
    handle.cancel();
    release.set_value();
    EXPECT_TRUE(endsCancelled(handle));
    EXPECT_EQ(fetch(requestFor("/target")).statusCode, 200);
    EXPECT_TRUE(server.waitFor("request", 1, 10s));
    EXPECT_EQ(server.count("open"), 1u);
}

TEST_F(CurlHttpClientTest, BodyOverTheCapFailsWithTooLarge) {
    struct Row {
        std::string path;
        std::size_t cap;
        std::optional<std::size_t> deliveredBytes; // none: tooLarge
    };
    const std::vector<Row> rows{
        {"/down?bytes=1000", 1000, 1000},
        {"/down?bytes=1001", 1000, std::nullopt},
        {"/down?bytes=0", 0, 0},
        // Without a Content-Length the cap is found while the body arrives.
        {"/down?bytes=5000000&chunked=1", 1'000'000, std::nullopt},
        {"/down?bytes=3000000&chunked=1", 3'000'000, 3'000'000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        auto request = requestFor(row.path);
        request.maxBodyBytes = row.cap;
        if (row.deliveredBytes) {
            EXPECT_EQ(fetch(request).body.size(), *row.deliveredBytes);
        } else {
            EXPECT_EQ(errorOf(start(request)).kind(), HttpErrorKind::tooLarge);
        }
    }
}

// A measuring transfer counts the body instead of keeping it; the cap
// still holds.
TEST_F(CurlHttpClientTest, DiscardedBodyIsCountedNotKept) {
    struct Row {
        std::string path;
        std::optional<std::size_t> cap;
        std::optional<std::uint64_t> countedBytes; // none: tooLarge
    };
    const std::vector<Row> rows{
        {"/down?bytes=3000000", std::nullopt, 3'000'000},
        {"/down?bytes=3000000&chunked=1", std::nullopt, 3'000'000},
        {"/down?bytes=0", std::nullopt, 0},
        {"/down?bytes=1000", 1000, 1000},
        {"/down?bytes=5000000&chunked=1", 1'000'000, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        auto request = requestFor(row.path);
        request.discardBody = true;
        request.maxBodyBytes = row.cap;
        if (row.countedBytes) {
            const HttpResponse response = fetch(request);
            EXPECT_EQ(response.statusCode, 200);
            EXPECT_TRUE(response.body.empty());
            EXPECT_EQ(response.discardedBodyBytes, *row.countedBytes);
        } else {
            EXPECT_EQ(errorOf(start(request)).kind(), HttpErrorKind::tooLarge);
        }
    }
    EXPECT_EQ(fetch(requestFor("/down?bytes=1000")).discardedBodyBytes, 0u)
        << "kept bodies are not counted twice";
}

// Transfers one after another share a kept-alive connection unless a
// request asks for a connection of its own.
TEST_F(CurlHttpClientTest, AFreshConnectionRequestOpensItsOwnConnection) {
    fetch(requestFor("/down?bytes=1000"));
    fetch(requestFor("/down?bytes=1000"));
    EXPECT_TRUE(server.waitFor("request", 2, 10s));
    EXPECT_EQ(server.count("open"), 1u) << "the second reused the first's connection";
    auto fresh = requestFor("/down?bytes=1000");
    fresh.freshConnection = true;
    EXPECT_EQ(fetch(fresh).statusCode, 200);
    EXPECT_TRUE(server.waitFor("open", 2, 10s));
    // The server logs each request line as it reads it: wait for the third.
    EXPECT_TRUE(server.waitFor("request", 3, 10s));
    EXPECT_EQ(server.count("request"), 3u);
}

TEST_F(CurlHttpClientTest, ParallelPostsShareOneBodyAndEachDeliversItsBytes) {
    const HttpBody body = patternedBody(3'000'000);
    std::vector<TaskHandle<HttpResponse>> handles;
    for (int i = 0; i < 4; ++i) {
        auto request = requestFor("/echo");
        request.method = HttpMethod::post;
        request.body = body;
        request.headers.set("Content-Type", "application/octet-stream");
        handles.push_back(start(request));
    }
    for (const auto& handle : handles) {
        const HttpResponse response = loop.await(handle, 20s);
        EXPECT_EQ(response.statusCode, 200);
        EXPECT_TRUE(response.body == *body) << "echoed " << response.body.size() << " bytes";
    }
}

TEST_F(CurlHttpClientTest, ConcurrentRequestsRunTogetherAndEachGetsItsOwnAnswer) {
    std::vector<TaskHandle<HttpResponse>> slow;
    std::vector<TaskHandle<HttpResponse>> sized;
    const auto begin = std::chrono::steady_clock::now();
    // Each takes about a second; one after another they would take six. The
    // bound leaves three times the margin for a loaded machine.
    for (int i = 0; i < 6; ++i)
        slow.push_back(start(requestFor("/trickle?bytes=10&interval_ms=100")));
    for (int i = 1; i <= 4; ++i)
        sized.push_back(start(requestFor("/down?bytes=" + std::to_string(i * 250'000))));
    for (std::size_t i = 0; i < sized.size(); ++i)
        EXPECT_EQ(loop.await(sized[i], 20s).body.size(), (i + 1) * 250'000);
    for (const auto& handle : slow)
        EXPECT_EQ(text(loop.await(handle, 20s).body), "xxxxxxxxxx");
    EXPECT_LT(Seconds(std::chrono::steady_clock::now() - begin).count(), 3.0);
}

TEST_F(CurlHttpClientTest, UnsendableRequestsFailWithoutConnecting) {
    struct Row {
        std::string name;
        HttpRequest request;
    };
    auto withHeader = [&](std::string name, std::string value) {
        auto request = requestFor("/target");
        request.headers.add(std::move(name), std::move(value));
        return request;
    };
    auto getWithBody = requestFor("/target");
    getWithBody.body = patternedBody(10);
    const std::vector<Row> rows{
        {"ftp address",
         HttpRequest{.url = urlOf("ftp://127.0.0.1:" + std::to_string(server.port()) + "/")}},
        {"relative address", HttpRequest{.url = urlOf("/target")}},
        {"name with a space", withHeader("Bad Name", "x")},
        {"value with a line break", withHeader("X-Note", "a\r\nX-Injected: 1")},
        {"GET with a body", getWithBody},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(errorOf(start(row.request)).kind(), HttpErrorKind::other);
    }
    EXPECT_EQ(server.count("open"), 0u);
}

TEST_F(CurlHttpClientTest, DestroyingTheClientEndsItsTransfersAndClosesTheirConnections) {
    // The task must not own the client; send() needs it only to begin.
    const auto handle = spawn(
        mainActor(), [raw = client.get(), request = requestFor("/silent")]() -> Task<HttpResponse> {
            co_return co_await raw->send(request);
        });
    ASSERT_TRUE(serverSaw("request", 1));
    client.reset();
    EXPECT_TRUE(endsCancelled(handle));
    EXPECT_TRUE(server.waitFor("closed", 1, 10s));
}

TEST(CurlHttpClientShutdownTest, RuntimeShutdownEndsTransfersInFlight) {
    test::LocalHttpServer server;
    std::shared_ptr<CurlHttpClient> client;
    std::optional<TaskHandle<HttpResponse>> handle;
    {
        RunLoop loop;
        client = std::make_shared<CurlHttpClient>();
        const auto request = HttpRequest{.url = urlOf(server.url("/silent"))};
        handle = spawn(mainActor(), [client, request]() -> Task<HttpResponse> {
            co_return co_await client->send(request);
        });
        ASSERT_TRUE(loop.runUntil([&] { return server.count("request") >= 1; }, 10s));
    }
    EXPECT_TRUE(server.waitFor("closed", 1, 10s));
    ASSERT_TRUE(handle->isFinished());
    EXPECT_THROW(handle->get(), CancellationError);
    // The runtime is gone: destroying the client must not reach for it.
    client.reset();
}

} // namespace
} // namespace lumra
