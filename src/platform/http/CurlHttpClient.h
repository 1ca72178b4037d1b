// The HTTP client over libcurl. send() runs in the calling task; the
// transfers run on the I/O thread, which owns the one multi handle, and each
// completion resumes its task on that task's executor. At runtime shutdown,
// or when the client is destroyed, transfers still running end with
// CancellationError.
#pragma once

#include "concurrency/IoThread.h"
#include "concurrency/Runtime.h"
#include "platform/http/HttpClient.h"

#include <memory>

namespace lumra {

class CurlMultiDriver;

class CurlHttpClient final : public HttpClient {
public:
    // Needs a running runtime: its shutdown ends this client's transfers.
    explicit CurlHttpClient(IoThread& io = ioThread());
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    Task<HttpResponse> send(HttpRequest request) override;

private:
    std::shared_ptr<CurlMultiDriver> m_driver;
};

} // namespace lumra
