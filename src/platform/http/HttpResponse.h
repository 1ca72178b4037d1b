// The final answer to an HTTP request: after followed redirects, the last
// one; with redirects blocked, possibly the redirect itself.
#pragma once

#include "model/Url.h"
#include "platform/http/HttpHeaders.h"

#include <cstdint>
#include <vector>

namespace lumra {

struct HttpResponse {
    int statusCode = 0;
    // The fields of the final answer only.
    HttpHeaders headers{};
    std::vector<std::uint8_t> body{};
    // The address that gave this answer (the request's, or the last redirect target).
    Url url;
    // With HttpRequest::discardBody: the body's length (body stays empty).
    std::uint64_t discardedBodyBytes = 0;
    // How much of the request's body was sent: less than all of it when the
    // server answered before reading the rest.
    std::uint64_t sentBodyBytes = 0;

    bool operator==(const HttpResponse&) const = default;
};

} // namespace lumra
