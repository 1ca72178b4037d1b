// The HTTP capability the probes and the update service use. Implementations
// may be called from any task; the awaiting task resumes on its own executor.
#pragma once

#include "concurrency/Task.h"
#include "platform/http/HttpError.h"
#include "platform/http/HttpRequest.h"
#include "platform/http/HttpResponse.h"

namespace lumra {

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // The final response, whatever its status code. Throws HttpError when no
    // response arrives, and CancellationError when the calling task is
    // cancelled (a task cancelled before the call opens no connection).
    virtual Task<HttpResponse> send(HttpRequest request) = 0;
};

} // namespace lumra
