// One request's libcurl easy handle and what its callbacks collect. The
// sending task makes it holding only the request; from then on only the I/O
// thread touches it: it opens the handle, libcurl calls back into it while
// the multi handle drives it, and it closes the handle and resumes the task
// when the transfer ends.
#pragma once

#include "concurrency/Continuation.h"
#include "platform/http/HttpError.h"
#include "platform/http/HttpRequest.h"
#include "platform/http/HttpResponse.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <curl/curl.h>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace lumra {

class CurlTransfer {
public:
    using Completion = CheckedThrowingContinuation<HttpResponse>;
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit CurlTransfer(HttpRequest request);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Takes the completion and makes the configured easy handle. Null when
    // the transfer has already ended: cancelled before it opened, or a
    // request that cannot be sent (the completion got the error).
    CURL* open(Completion completion);
    // The open easy handle; null before open and after the end.
    CURL* handle() const noexcept { return m_easy.get(); }

    // When a limit runs out unless bytes move before: the no-progress
    // time-out, or the end of the low-speed window; nullopt when the request
    // sets neither.
    std::optional<TimePoint> nextDeadline() const;
    // Whether a limit has run out by now; the coming complete() then
    // reports it.
    bool limitRanOut(TimePoint now);

    // The handle is out of the multi handle: turns curl's result into the
    // response or the error, closes the handle and resumes the task.
    void complete(CURLcode result);
    // Ends with CancellationError; before open, makes open() end at once.
    void cancel();

private:
    struct EasyDeleter {
        void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
    };
    struct ListDeleter {
        void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
    };

    void configure(CURL* easy);
    void end(std::exception_ptr error, std::optional<HttpResponse> response);
    HttpResponse takeResponse();
    std::exception_ptr errorFor(CURLcode result) const;
    std::optional<TimePoint> stallDeadline() const;
    std::optional<TimePoint> lowSpeedDeadline() const;

    void noteProgress() noexcept { m_lastProgress = std::chrono::steady_clock::now(); }
    void startLowSpeedWindow(TimePoint now) noexcept;
    std::size_t onBody(const char* data, std::size_t size);
    void onHeaderLine(std::string_view line);
    bool onTransferInfo(curl_off_t received, curl_off_t sent);

    static std::size_t writeCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t headerCallback(char* data, std::size_t size, std::size_t count, void* self);
    static int transferInfoCallback(void* self, curl_off_t downloadTotal, curl_off_t received,
                                    curl_off_t uploadTotal, curl_off_t sent);

    const HttpRequest m_request;
    const std::optional<std::int64_t> m_timeoutMilliseconds;
    std::optional<Completion> m_completion;
    std::unique_ptr<CURL, EasyDeleter> m_easy;
    std::unique_ptr<curl_slist, ListDeleter> m_headerList;
    bool m_cancelled = false;
    bool m_ended = false;
    // Set by a callback that aborted the transfer, or by the watchdog.
    std::optional<HttpError> m_failure;
    TimePoint m_lastProgress{};
    curl_off_t m_bytesMoved = 0;
    // The low-speed floor as bytes per window and the window's length;
    // absent when the request sets none.
    std::optional<curl_off_t> m_lowSpeedBytes;
    std::optional<std::int64_t> m_lowSpeedMilliseconds;
    // The current window: when it began, and the bytes moved by then.
    TimePoint m_lowSpeedWindowStart{};
    curl_off_t m_lowSpeedWindowBytes = 0;
    HttpHeaders m_headers;
    std::vector<std::uint8_t> m_body;
    std::uint64_t m_discardedBodyBytes = 0;
    char m_errorText[CURL_ERROR_SIZE] = {};
};

} // namespace lumra
