#include "probes/speedtest/CloudflareSpeedTestRunner.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Hops.h"
#include "concurrency/Runtime.h"
#include "concurrency/TaskGroup.h"
#include "probes/speedtest/SpeedTestRunnerError.h"

#include <algorithm>
#include <chrono>
#include <fmt/format.h>
#include <vector>

namespace lumra {

namespace {

constexpr std::uint8_t uploadFillByte = 0xA5;
constexpr double shortestElapsedSeconds = 0.001;

struct ChunkOutcome {
    std::int64_t bytes;
    Clock::UptimePoint finishedAt;
};

struct Totals {
    std::int64_t bytes = 0;
    std::optional<Clock::UptimePoint> lastFinish;
};

using ChunkFactory = std::function<Task<ChunkOutcome>()>;

struct RequestLimits {
    double timeout;
    double overallTimeout;
    HttpLowSpeedLimit lowSpeed;
};

RequestLimits limitsOf(const SpeedTestConfiguration& configuration) {
    return RequestLimits{
        configuration.requestTimeout, configuration.requestOverallTimeout,
        HttpLowSpeedLimit{configuration.lowSpeedBytesPerSecond, configuration.lowSpeedSeconds}};
}

bool isSuccessStatus(int statusCode) {
    return statusCode >= 200 && statusCode <= 299;
}

Task<ChunkOutcome> downloadChunk(std::shared_ptr<HttpClient> session,
                                 SpeedTestDownloadURLFactory urlFactory,
                                 std::int64_t chunkSizeBytes, RequestLimits limits,
                                 UptimeProvider clock) {
    checkCancellation();
    std::optional<Url> url = urlFactory(chunkSizeBytes);
    if (!url)
        throw SpeedTestRunnerError::invalidRequest();
    // Only the size counts: the body is not kept. A body longer than asked
    // for ends the chunk, which then counts as the size it asked for.
    auto request = HttpRequest{.method = HttpMethod::get,
                               .url = std::move(*url),
                               .timeoutSeconds = limits.timeout,
                               .maxBodyBytes = static_cast<std::size_t>(chunkSizeBytes),
                               .overallTimeoutSeconds = limits.overallTimeout,
                               .lowSpeedLimit = limits.lowSpeed,
                               .discardBody = true,
                               .freshConnection = true};
    std::optional<HttpResponse> response;
    try {
        response = co_await session->send(std::move(request));
    } catch (const HttpError& error) {
        if (error.kind() != HttpErrorKind::tooLarge)
            throw;
        LUMRA_LOG("speedtest",
                  fmt::format("a chunk of {} bytes ran over and was ended", chunkSizeBytes));
    }
    if (!response)
        co_return ChunkOutcome{chunkSizeBytes, clock()};
    if (!isSuccessStatus(response->statusCode))
        throw SpeedTestRunnerError::invalidResponse();
    co_return ChunkOutcome{
        static_cast<std::int64_t>(response->body.size() + response->discardedBodyBytes), clock()};
}

Task<ChunkOutcome> uploadChunk(std::shared_ptr<HttpClient> session, Url url, HttpBody body,
                               RequestLimits limits, UptimeProvider clock) {
    checkCancellation();
    const auto offeredBytes = body->size();
    auto request = HttpRequest{.method = HttpMethod::post,
                               .url = std::move(url),
                               .headers = HttpHeaders{{"Content-Type", "application/octet-stream"}},
                               .body = std::move(body),
                               .timeoutSeconds = limits.timeout,
                               .overallTimeoutSeconds = limits.overallTimeout,
                               .lowSpeedLimit = limits.lowSpeed,
                               .freshConnection = true};
    const HttpResponse response = co_await session->send(std::move(request));
    if (!isSuccessStatus(response.statusCode))
        throw SpeedTestRunnerError::invalidResponse();
    // A service may answer before it has read the body: what was sent counts.
    const auto sentBytes = std::min<std::uint64_t>(response.sentBodyBytes, offeredBytes);
    co_return ChunkOutcome{static_cast<std::int64_t>(sentBytes), clock()};
}

// Every chunk opens its own connection. One left open by an earlier
// transfer carries that transfer's congestion state: after a download the
// client's side has only sent small requests, and a model-based sender (BBR,
// the kernel default here) resumes from that low delivery rate, probing up by
// a quarter every few round trips instead of doubling as a new connection
// does; the upload then read three quarters of the link.
// All chunks at once; results taken as they finish, each followed by an
// awaited progress report. The group cancels and joins the rest on the
// first error and rethrows it.
Task<Totals> transferAll(std::int64_t chunkCount, ChunkFactory makeChunk,
                         SpeedTestProgress progress) {
    auto collect = [&](ThrowingTaskGroup<ChunkOutcome>& group) -> Task<Totals> {
        for (std::int64_t i = 0; i < chunkCount; ++i)
            group.addTask([&makeChunk] { return makeChunk(); });
        Totals totals;
        std::int64_t completed = 0;
        while (auto outcome = co_await group.next()) {
            ++completed;
            totals.bytes += outcome->bytes;
            totals.lastFinish = totals.lastFinish
                                    ? std::max(*totals.lastFinish, outcome->finishedAt)
                                    : outcome->finishedAt;
            if (progress)
                co_await progress(static_cast<double>(completed) / static_cast<double>(chunkCount));
        }
        co_return totals;
    };
    co_return co_await withThrowingTaskGroup<ChunkOutcome>(std::move(collect));
}

double throughputOf(const Totals& totals, Clock::UptimePoint start) {
    if (totals.bytes < 1)
        throw SpeedTestRunnerError::noDataTransferred();
    return CloudflareSpeedTestRunner::megabitsPerSecond(totals.bytes, start,
                                                        totals.lastFinish.value_or(start));
}

} // namespace

SpeedTestDownloadURLFactory speedTestDownloadURLFactory(std::string_view serviceAddress) {
    return [base = std::string(serviceAddress)](std::int64_t byteCount) {
        return Url::parse(fmt::format("{}/__down?bytes={}", base, byteCount));
    };
}

std::optional<Url> speedTestUploadURL(std::string_view serviceAddress) {
    return Url::parse(fmt::format("{}/__up", serviceAddress));
}

CloudflareSpeedTestRunner::CloudflareSpeedTestRunner(std::shared_ptr<HttpClient> session,
                                                     SpeedTestDownloadURLFactory downloadURLFactory,
                                                     std::optional<Url> uploadURL,
                                                     UptimeProvider uptimeProvider)
    : m_session(std::move(session)), m_downloadURLFactory(std::move(downloadURLFactory)),
      m_uploadURL(std::move(uploadURL)),
      m_uptimeProvider(uptimeProvider ? std::move(uptimeProvider)
                                      : UptimeProvider([] { return runtimeClock().uptimeNow(); })) {
}

double CloudflareSpeedTestRunner::megabitsPerSecond(std::int64_t bytes, Clock::UptimePoint start,
                                                    Clock::UptimePoint end) {
    const double elapsed = std::chrono::duration<double>(end - start).count();
    const double seconds = elapsed > shortestElapsedSeconds ? elapsed : shortestElapsedSeconds;
    return static_cast<double>(bytes) * 8.0 / (seconds * 1'000'000.0);
}

Task<double> CloudflareSpeedTestRunner::download(SpeedTestConfiguration configuration,
                                                 SpeedTestProgress progress) {
    if (configuration.downloadChunks < 1)
        throw SpeedTestRunnerError::invalidRequest();
    co_await resumeOn(backgroundPool());
    const UptimeProvider clock = m_uptimeProvider;
    const Clock::UptimePoint start = clock();
    ChunkFactory makeChunk = [session = m_session, urlFactory = m_downloadURLFactory,
                              size = configuration.downloadChunkSizeBytes,
                              limits = limitsOf(configuration), clock] {
        return downloadChunk(session, urlFactory, size, limits, clock);
    };
    const Totals totals = co_await transferAll(configuration.downloadChunks, std::move(makeChunk),
                                               std::move(progress));
    co_return throughputOf(totals, start);
}

Task<double> CloudflareSpeedTestRunner::upload(SpeedTestConfiguration configuration,
                                               SpeedTestProgress progress) {
    if (configuration.uploadChunks < 1 || !m_uploadURL || configuration.uploadChunkSizeBytes < 0)
        throw SpeedTestRunnerError::invalidRequest();
    co_await resumeOn(backgroundPool());
    const UptimeProvider clock = m_uptimeProvider;
    const Clock::UptimePoint start = clock();
    // One buffer for every chunk of this call.
    const HttpBody body = std::make_shared<const std::vector<std::uint8_t>>(
        static_cast<std::size_t>(configuration.uploadChunkSizeBytes), uploadFillByte);
    ChunkFactory makeChunk = [session = m_session, url = *m_uploadURL, body,
                              limits = limitsOf(configuration), clock] {
        return uploadChunk(session, url, body, limits, clock);
    };
    const Totals totals =
        co_await transferAll(configuration.uploadChunks, std::move(makeChunk), std::move(progress));
    co_return throughputOf(totals, start);
}

} // namespace lumra
