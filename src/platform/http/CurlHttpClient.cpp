// send() runs on the calling task's executor; the driver does the rest on
// the I/O thread.
#include "platform/http/CurlHttpClient.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Continuation.h"
#include "platform/http/CurlMultiDriver.h"
#include "platform/http/CurlTransfer.h"

namespace lumra {

namespace {

// A free function: the frame holds the driver, never the client, so a
// client destroyed meanwhile leaves nothing dangling.
Task<HttpResponse> sendThrough(std::shared_ptr<CurlMultiDriver> driver, HttpRequest request) {
    // A task cancelled already opens no connection at all.
    checkCancellation();
    auto transfer = std::make_shared<CurlTransfer>(std::move(request));
    auto start = [driver, transfer](CurlTransfer::Completion completion) {
        driver->start(transfer, std::move(completion));
    };
    auto onCancel = [driver, transfer]() noexcept {
        driver->cancel(transfer);
    };
    auto operation = withCheckedThrowingContinuation<HttpResponse>(std::move(start));
    co_return co_await withTaskCancellationHandler(std::move(operation), std::move(onCancel));
}

} // namespace

CurlHttpClient::CurlHttpClient(IoThread& io) : m_driver(CurlMultiDriver::create(io)) {
    Runtime::current().addShutdownHook([driver = std::weak_ptr<CurlMultiDriver>(m_driver)] {
        if (auto alive = driver.lock())
            alive->closeAndWait();
    });
}

CurlHttpClient::~CurlHttpClient() {
    // After runtime shutdown the I/O thread is gone; the driver is closed then.
    if (!m_driver->isClosed())
        m_driver->close();
}

Task<HttpResponse> CurlHttpClient::send(HttpRequest request) {
    return sendThrough(m_driver, std::move(request));
}

} // namespace lumra
