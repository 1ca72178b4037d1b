// What an HTTP request asks for: method, address, header fields, an optional
// shared body, the no-progress time-out and the redirect and body-size rules.
#pragma once

#include "model/Url.h"
#include "platform/http/HttpHeaders.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace lumra {

enum class HttpMethod { get, post };

enum class RedirectPolicy {
    follow, // http and https targets only
    block,  // a 3xx answer is the response, with its headers and body
};

// A floor under a transfer's pace: it fails with HttpErrorKind::timedOut once
// `seconds` pass in which fewer than bytesPerSecond × seconds bytes moved
// (counted from its start, and again each time that many have moved), so a
// server that keeps it alive with a byte now and then cannot hold it. Either
// value 0 or less (or NaN) sets no floor.
struct HttpLowSpeedLimit {
    double bytesPerSecond;
    double seconds;

    bool operator==(const HttpLowSpeedLimit&) const = default;
};

// Immutable and shared, so parallel uploads send one buffer.
using HttpBody = std::shared_ptr<const std::vector<std::uint8_t>>;

struct HttpRequest {
    HttpMethod method = HttpMethod::get;
    Url url;
    HttpHeaders headers{};
    // Only a POST carries a body; null sends an empty one.
    HttpBody body{};
    // The request fails when nothing is sent or received for this long,
    // however long the whole transfer takes.
    double timeoutSeconds = 60.0;
    // How long connecting may take; absent: the no-progress time-out.
    std::optional<double> connectTimeoutSeconds{};
    RedirectPolicy redirects = RedirectPolicy::follow;
    // A longer response body fails the request with HttpErrorKind::tooLarge.
    std::optional<std::size_t> maxBodyBytes{};
    // The whole transfer fails with HttpErrorKind::timedOut after this long,
    // however steadily bytes arrive; absent: no overall limit.
    std::optional<double> overallTimeoutSeconds{};
    // Absent: any pace will do as long as bytes move within the time-out.
    std::optional<HttpLowSpeedLimit> lowSpeedLimit{};

    // The response body is counted (HttpResponse::discardedBodyBytes), not
    // kept: for transfers that only measure.
    bool discardBody = false;
    // Sent over a connection of its own, never one an earlier transfer left
    // open (whose congestion state would carry over).
    bool freshConnection = false;

    bool operator==(const HttpRequest&) const = default;
};

} // namespace lumra
