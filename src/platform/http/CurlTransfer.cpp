// Runs on the I/O thread, except the constructor (the sending task).
#include "platform/http/CurlTransfer.h"

#include "concurrency/Cancellation.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <fmt/format.h>
#include <string_view>

namespace lumra {

namespace {

// The largest body buffer reserved up front from a Content-Length when the
// request sets no cap: the server's claim alone must not make us allocate
// much. A cap is the caller's own bound and replaces this one.
constexpr std::size_t maxReservedBodyBytes = 64u << 20;
// Redirect hops followed before giving up; HTTP clients commonly allow 16-20.
constexpr long maxRedirects = 16;

// Whole milliseconds, rounded up so a short time-out is never zero; nullopt
// for a time-out too long to matter. Zero, negative and NaN fail at once.
std::optional<std::int64_t> millisecondsFor(double seconds) {
    if (!(seconds > 0.0))
        return 1;
    if (seconds >= 1e9)
        return std::nullopt;
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(seconds * 1000.0)));
}

char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowered(x) == lowered(y);
           });
}

bool isTokenCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// Why the request cannot be sent as asked, if it cannot. Line breaks in a
// field would let a caller's text inject header lines.
std::optional<std::string> problemWith(const HttpRequest& request) {
    const auto& scheme = request.url.scheme();
    const bool web =
        scheme && (equalsIgnoringCase(*scheme, "http") || equalsIgnoringCase(*scheme, "https"));
    if (!web || !request.url.host())
        return fmt::format("unsupported URL: {}", request.url.absoluteString());
    if (request.method == HttpMethod::get && request.body && !request.body->empty())
        return std::string("a GET request carries no body");
    for (const HttpHeaderField& field : request.headers.fields()) {
        if (field.name.empty() ||
            !std::all_of(field.name.begin(), field.name.end(), isTokenCharacter))
            return fmt::format("invalid header field name: \"{}\"", field.name);
        if (field.value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            return fmt::format("header field {} holds a line break", field.name);
    }
    return std::nullopt;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

HttpErrorKind kindFor(CURLcode result) {
    switch (result) {
    case CURLE_OPERATION_TIMEDOUT:
        return HttpErrorKind::timedOut;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpErrorKind::cannotConnect;
    default:
        return HttpErrorKind::other;
    }
}

} // namespace

CurlTransfer::CurlTransfer(HttpRequest request)
    : m_request(std::move(request)),
      m_timeoutMilliseconds(millisecondsFor(m_request.timeoutSeconds)) {
    if (const auto& limit = m_request.lowSpeedLimit;
        limit && limit->bytesPerSecond > 0.0 && limit->seconds > 0.0) {
        m_lowSpeedMilliseconds = millisecondsFor(limit->seconds);
        const double bytes = std::ceil(limit->bytesPerSecond * limit->seconds);
        if (m_lowSpeedMilliseconds && bytes < 1e15)
            m_lowSpeedBytes = static_cast<curl_off_t>(bytes);
        else
            m_lowSpeedMilliseconds.reset();
    }
}

CurlTransfer::~CurlTransfer() = default;

CURL* CurlTransfer::open(Completion completion) {
    m_completion.emplace(std::move(completion));
    if (m_cancelled) {
        end(std::make_exception_ptr(CancellationError()), std::nullopt);
        return nullptr;
    }
    if (auto problem = problemWith(m_request)) {
        end(std::make_exception_ptr(HttpError(HttpErrorKind::other, std::move(*problem))),
            std::nullopt);
        return nullptr;
    }
    m_easy.reset(curl_easy_init());
    if (!m_easy) {
        end(std::make_exception_ptr(HttpError(HttpErrorKind::other, "cannot create a curl handle")),
            std::nullopt);
        return nullptr;
    }
    try {
        configure(m_easy.get());
    } catch (...) {
        end(std::current_exception(), std::nullopt);
        return nullptr;
    }
    noteProgress();
    startLowSpeedWindow(m_lastProgress);
    return m_easy.get();
}

void CurlTransfer::configure(CURL* easy) {
    const bool follow = m_request.redirects == RedirectPolicy::follow;
    curl_easy_setopt(easy, CURLOPT_URL, m_request.url.absoluteString().c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    if (follow) {
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, maxRedirects);
    }
    // Signals cannot carry libcurl's time-outs in a threaded program.
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Removing a handle whose name lookup still runs would otherwise join
    // curl's resolver thread, and a lookup that never answers would hold
    // the I/O thread for the resolver's own time-outs. The thread is left to
    // finish on its own and frees its state then.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorText);

    const auto connectMilliseconds = m_request.connectTimeoutSeconds
                                         ? millisecondsFor(*m_request.connectTimeoutSeconds)
                                         : m_timeoutMilliseconds;
    if (connectMilliseconds)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(*connectMilliseconds));
    if (m_request.overallTimeoutSeconds) {
        if (const auto overall = millisecondsFor(*m_request.overallTimeoutSeconds))
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(*overall));
    }

    auto append = [this](const std::string& line) {
        curl_slist* longer = curl_slist_append(m_headerList.get(), line.c_str());
        if (longer == nullptr)
            throw HttpError(HttpErrorKind::other, "out of memory for header fields");
        // The head stays the same once the list exists.
        (void)m_headerList.release();
        m_headerList.reset(longer);
    };
    for (const HttpHeaderField& field : m_request.headers.fields()) {
        // "Name;" is curl's way to send a field with an empty value.
        append(field.value.empty() ? field.name + ";" : field.name + ": " + field.value);
    }
    // A body is sent at once, never after waiting for "100 Continue".
    append("Expect:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList.get());

    if (m_request.method == HttpMethod::post) {
        static const char empty[] = "";
        const bool hasBody = m_request.body && !m_request.body->empty();
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        // Not copied: the request keeps the shared buffer alive until the end.
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(hasBody ? m_request.body->size() : 0));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                         hasBody ? reinterpret_cast<const char*>(m_request.body->data()) : empty);
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }

    if (m_request.freshConnection)
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::transferInfoCallback);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
}

std::optional<CurlTransfer::TimePoint> CurlTransfer::stallDeadline() const {
    if (!m_timeoutMilliseconds)
        return std::nullopt;
    return m_lastProgress + std::chrono::milliseconds(*m_timeoutMilliseconds);
}

std::optional<CurlTransfer::TimePoint> CurlTransfer::lowSpeedDeadline() const {
    if (!m_lowSpeedMilliseconds)
        return std::nullopt;
    return m_lowSpeedWindowStart + std::chrono::milliseconds(*m_lowSpeedMilliseconds);
}

std::optional<CurlTransfer::TimePoint> CurlTransfer::nextDeadline() const {
    const auto stall = stallDeadline();
    const auto slow = lowSpeedDeadline();
    if (stall && slow)
        return std::min(*stall, *slow);
    return stall ? stall : slow;
}

bool CurlTransfer::limitRanOut(TimePoint now) {
    if (m_failure)
        return true;
    if (const auto stall = stallDeadline(); stall && now >= *stall) {
        m_failure = HttpError(HttpErrorKind::timedOut,
                              fmt::format("{} (no progress for {} ms)",
                                          curl_easy_strerror(CURLE_OPERATION_TIMEDOUT),
                                          *m_timeoutMilliseconds));
        return true;
    }
    // A window that filled up was replaced by a new one as the bytes came.
    if (const auto slow = lowSpeedDeadline(); slow && now >= *slow) {
        m_failure = HttpError(HttpErrorKind::timedOut,
                              fmt::format("Operation too slow: less than {:g} bytes/s for {:g} s",
                                          m_request.lowSpeedLimit->bytesPerSecond,
                                          m_request.lowSpeedLimit->seconds));
        return true;
    }
    return false;
}

void CurlTransfer::startLowSpeedWindow(TimePoint now) noexcept {
    m_lowSpeedWindowStart = now;
    m_lowSpeedWindowBytes = m_bytesMoved;
}

void CurlTransfer::complete(CURLcode result) {
    if (m_ended)
        return;
    std::exception_ptr error;
    if (m_failure)
        error = std::make_exception_ptr(*m_failure);
    else if (result != CURLE_OK)
        error = errorFor(result);
    std::optional<HttpResponse> response;
    if (!error) {
        try {
            response.emplace(takeResponse());
        } catch (...) {
            error = std::current_exception();
        }
    }
    end(std::move(error), std::move(response));
}

void CurlTransfer::cancel() {
    m_cancelled = true;
    if (m_completion && !m_ended)
        end(std::make_exception_ptr(CancellationError()), std::nullopt);
}

void CurlTransfer::end(std::exception_ptr error, std::optional<HttpResponse> response) {
    assert(m_completion && !m_ended && "a transfer ends once, after it was opened");
    m_ended = true;
    m_easy.reset();
    m_headerList.reset();
    auto completion = std::move(*m_completion);
    m_completion.reset();
    // Last: the task may run on, and drop this transfer, once resumed.
    if (error)
        completion.resumeThrowing(std::move(error));
    else
        completion.resume(std::move(*response));
}

HttpResponse CurlTransfer::takeResponse() {
    CURL* easy = m_easy.get();
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    long redirects = 0;
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_COUNT, &redirects);
    // Unredirected, the address stays exactly as the caller wrote it.
    std::optional<Url> url;
    const char* effective = nullptr;
    if (redirects > 0 && curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective)
        url = Url::parse(effective);
    curl_off_t sent = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &sent);
    return HttpResponse{
        static_cast<int>(status), std::move(m_headers),
        std::move(m_body),        url ? *url : m_request.url,
        m_discardedBodyBytes,     static_cast<std::uint64_t>(std::max<curl_off_t>(0, sent))};
}

std::exception_ptr CurlTransfer::errorFor(CURLcode result) const {
    std::string message = m_errorText[0] != '\0' ? std::string(trimmed(m_errorText))
                                                 : std::string(curl_easy_strerror(result));
    return std::make_exception_ptr(HttpError(kindFor(result), std::move(message)));
}

std::size_t CurlTransfer::onBody(const char* data, std::size_t size) {
    noteProgress();
    const auto cap = m_request.maxBodyBytes;
    if (m_request.discardBody) {
        if (cap && size > *cap - m_discardedBodyBytes) {
            m_failure = HttpError(HttpErrorKind::tooLarge,
                                  fmt::format("response body larger than {} bytes", *cap));
            return CURL_WRITEFUNC_ERROR;
        }
        m_discardedBodyBytes += size;
        return size;
    }
    if (cap && size > *cap - m_body.size()) {
        m_failure = HttpError(HttpErrorKind::tooLarge,
                              fmt::format("response body larger than {} bytes", *cap));
        return CURL_WRITEFUNC_ERROR;
    }
    try {
        if (m_body.empty()) {
            curl_off_t length = -1;
            curl_easy_getinfo(m_easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (length > 0) {
                const std::uint64_t bound = cap ? *cap : maxReservedBodyBytes;
                m_body.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(length, bound)));
            }
        }
        // Bytes into bytes: one block copy (a char range would be converted
        // element by element).
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        m_body.insert(m_body.end(), bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        m_failure = HttpError(HttpErrorKind::other, "out of memory for the response body");
        return CURL_WRITEFUNC_ERROR;
    }
    return size;
}

void CurlTransfer::onHeaderLine(std::string_view line) {
    noteProgress();
    line = trimmed(line);
    if (line.starts_with("HTTP/")) {
        // A new answer begins (an interim 1xx, or the next redirect hop).
        m_headers.clear();
        return;
    }
    if (line.empty())
        return;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return;
    m_headers.add(std::string(line.substr(0, colon)), std::string(trimmed(line.substr(colon + 1))));
}

bool CurlTransfer::onTransferInfo(curl_off_t received, curl_off_t sent) {
    const auto now = std::chrono::steady_clock::now();
    const curl_off_t moved = received + sent;
    if (moved != m_bytesMoved) {
        m_bytesMoved = moved;
        m_lastProgress = now;
        if (m_lowSpeedBytes && m_bytesMoved - m_lowSpeedWindowBytes >= *m_lowSpeedBytes)
            startLowSpeedWindow(now);
    }
    return !limitRanOut(now);
}

std::size_t CurlTransfer::writeCallback(char* data, std::size_t size, std::size_t count,
                                        void* self) {
    return static_cast<CurlTransfer*>(self)->onBody(data, size * count);
}

std::size_t CurlTransfer::headerCallback(char* data, std::size_t size, std::size_t count,
                                         void* self) {
    try {
        static_cast<CurlTransfer*>(self)->onHeaderLine(std::string_view(data, size * count));
    } catch (const std::bad_alloc&) {
        return CURL_WRITEFUNC_ERROR;
    }
    return size * count;
}

int CurlTransfer::transferInfoCallback(void* self, curl_off_t, curl_off_t received, curl_off_t,
                                       curl_off_t sent) {
    return static_cast<CurlTransfer*>(self)->onTransferInfo(received, sent) ? 0 : 1;
}

} // namespace lumra
