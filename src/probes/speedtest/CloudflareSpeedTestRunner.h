// Throughput against an HTTP speed-test service: a download of equal chunks
// fetched in parallel and an upload of equal bodies posted in parallel, each
// chunk a child of one throwing task group, progress reported in the order
// chunks finish. Time runs on the monotonic clock from the start of a call to
// the finish of its last chunk, so a step of the wall clock cannot bend a
// result. The calls run on the background pool, never on the main actor; the
// requests on the I/O thread. Keeps no state between calls.
#pragma once

#include "concurrency/Clock.h"
#include "model/Url.h"
#include "platform/http/HttpClient.h"
#include "probes/speedtest/SpeedTesting.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

// The address of a download of byteCount bytes; none when it cannot be made.
// Called from any thread, by several chunks at once.
using SpeedTestDownloadURLFactory = std::function<std::optional<Url>(std::int64_t byteCount)>;
// A monotonic time source; called from any thread.
using UptimeProvider = std::function<Clock::UptimePoint()>;

// Cloudflare's speed-test service.
inline constexpr std::string_view defaultSpeedTestServiceAddress = "https://speed.cloudflare.com";

// serviceAddress + "/__down?bytes=" + the count in decimal digits, parsed.
SpeedTestDownloadURLFactory
speedTestDownloadURLFactory(std::string_view serviceAddress = defaultSpeedTestServiceAddress);
// serviceAddress + "/__up", parsed.
std::optional<Url>
speedTestUploadURL(std::string_view serviceAddress = defaultSpeedTestServiceAddress);

class CloudflareSpeedTestRunner final : public SpeedTesting {
public:
    // Without an uptime provider the runtime's clock gives the time.
    CloudflareSpeedTestRunner(std::shared_ptr<HttpClient> session,
                              SpeedTestDownloadURLFactory downloadURLFactory,
                              std::optional<Url> uploadURL, UptimeProvider uptimeProvider = {});

    Task<double> download(SpeedTestConfiguration configuration,
                          SpeedTestProgress progress) override;
    // A negative body size cannot make a request, like a chunk count below 1.
    Task<double> upload(SpeedTestConfiguration configuration, SpeedTestProgress progress) override;

    // bytes × 8 / (seconds × 1,000,000), where 1 ms or less counts as 1 ms.
    static double megabitsPerSecond(std::int64_t bytes, Clock::UptimePoint start,
                                    Clock::UptimePoint end);

private:
    const std::shared_ptr<HttpClient> m_session;
    const SpeedTestDownloadURLFactory m_downloadURLFactory;
    const std::optional<Url> m_uploadURL;
    const UptimeProvider m_uptimeProvider;
};

} // namespace lumra
