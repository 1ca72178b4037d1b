// Everything below start, cancel, close and closeAndWait runs on the I/O thread.
#include "platform/http/CurlMultiDriver.h"

#include "concurrency/Cancellation.h"

#include <cassert>
#include <chrono>
#include <future>
#include <mutex>
#include <poll.h>
#include <utility>

namespace lumra {

namespace {

constexpr auto closeWaitLimit = std::chrono::seconds(5);

bool initialiseCurl() {
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return initialised;
}

} // namespace

std::shared_ptr<CurlMultiDriver> CurlMultiDriver::create(IoThread& io) {
    return std::shared_ptr<CurlMultiDriver>(new CurlMultiDriver(io));
}

CurlMultiDriver::CurlMultiDriver(IoThread& io) : m_io(io) {}

CurlMultiDriver::~CurlMultiDriver() {
    // Only when the I/O thread stopped before it could close us (its queue
    // was dropped); it may be destroyed already.
    if (m_multi || !m_running.empty())
        closeNow(IoAccess::gone);
}

void CurlMultiDriver::start(std::shared_ptr<CurlTransfer> transfer,
                            CurlTransfer::Completion completion) {
    if (isClosed()) {
        completion.resumeThrowing(CancellationError());
        return;
    }
    m_io.post([self = shared_from_this(), transfer = std::move(transfer),
               completion = std::move(completion)]() mutable {
        self->startNow(std::move(transfer), std::move(completion));
    });
}

void CurlMultiDriver::cancel(std::shared_ptr<CurlTransfer> transfer) {
    m_io.post(
        [self = shared_from_this(), transfer = std::move(transfer)] { self->cancelNow(transfer); });
}

void CurlMultiDriver::close() {
    m_io.post([self = shared_from_this()] { self->closeNow(IoAccess::available); });
}

void CurlMultiDriver::closeAndWait() {
    if (m_io.isCurrent()) {
        closeNow(IoAccess::available);
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    m_io.post([self = shared_from_this(), done] {
        self->closeNow(IoAccess::available);
        done->set_value();
    });
    // A job dropped by a stopping I/O thread breaks the promise: ready too.
    finished.wait_for(closeWaitLimit);
}

bool CurlMultiDriver::ensureMulti() {
    if (m_multi)
        return true;
    if (!initialiseCurl())
        return false;
    m_multi.reset(curl_multi_init());
    if (!m_multi)
        return false;
    curl_multi_setopt(m_multi.get(), CURLMOPT_SOCKETFUNCTION, &CurlMultiDriver::socketCallback);
    curl_multi_setopt(m_multi.get(), CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi.get(), CURLMOPT_TIMERFUNCTION, &CurlMultiDriver::timerCallback);
    curl_multi_setopt(m_multi.get(), CURLMOPT_TIMERDATA, this);
    return true;
}

void CurlMultiDriver::startNow(std::shared_ptr<CurlTransfer> transfer,
                               CurlTransfer::Completion completion) {
    assert(m_io.isCurrent());
    if (isClosed()) {
        transfer->cancel();
        transfer->open(std::move(completion));
        return;
    }
    if (!ensureMulti()) {
        completion.resumeThrowing(
            HttpError(HttpErrorKind::other, "cannot create a curl multi handle"));
        return;
    }
    CURL* easy = transfer->open(std::move(completion));
    if (easy == nullptr)
        return; // already ended: cancelled first, or not sendable
    const CURLMcode added = curl_multi_add_handle(m_multi.get(), easy);
    if (added != CURLM_OK) {
        transfer->complete(CURLE_FAILED_INIT);
        return;
    }
    Running& running = m_running[easy];
    running.transfer = std::move(transfer);
    armWatchdog(running);
}

void CurlMultiDriver::cancelNow(const std::shared_ptr<CurlTransfer>& transfer) {
    assert(m_io.isCurrent());
    if (CURL* easy = transfer->handle(); easy != nullptr && m_running.contains(easy))
        detach(easy); // a transfer in progress: curl closes its connection
    transfer->cancel();
}

void CurlMultiDriver::closeNow(IoAccess io) {
    m_closed.store(true, std::memory_order_release);
    m_ioAvailable = io == IoAccess::available;
    auto running = std::exchange(m_running, {});
    for (auto& [easy, entry] : running) {
        if (m_multi)
            curl_multi_remove_handle(m_multi.get(), easy);
        if (entry.watchdog && m_ioAvailable)
            m_io.cancelTimer(*entry.watchdog);
    }
    // Closes the cached connections; curl unregisters their sockets first.
    m_multi.reset();
    for (auto& [socket, watch] : std::exchange(m_sockets, {})) {
        if (m_ioAvailable)
            m_io.unwatch(watch.id);
    }
    if (m_timer && m_ioAvailable)
        m_io.cancelTimer(*m_timer);
    m_timer.reset();
    for (auto& [easy, entry] : running)
        entry.transfer->cancel();
}

void CurlMultiDriver::detach(CURL* easy) {
    auto it = m_running.find(easy);
    assert(it != m_running.end());
    curl_multi_remove_handle(m_multi.get(), easy);
    if (it->second.watchdog)
        m_io.cancelTimer(*it->second.watchdog);
    m_running.erase(it);
}

void CurlMultiDriver::collectFinished() {
    int queued = 0;
    while (m_multi) {
        CURLMsg* message = curl_multi_info_read(m_multi.get(), &queued);
        if (message == nullptr)
            return;
        if (message->msg != CURLMSG_DONE)
            continue;
        // Read before detaching: removing the handle invalidates the message.
        CURL* easy = message->easy_handle;
        const CURLcode result = message->data.result;
        auto it = m_running.find(easy);
        if (it == m_running.end())
            continue;
        auto transfer = it->second.transfer;
        detach(easy);
        transfer->complete(result);
    }
}

void CurlMultiDriver::armWatchdog(Running& running) {
    const auto deadline = running.transfer->nextDeadline();
    if (!deadline)
        return;
    running.watchdog =
        m_io.addTimer(*deadline, [self = weak_from_this(),
                                  transfer = std::weak_ptr<CurlTransfer>(running.transfer)] {
            auto driver = self.lock();
            auto stalled = transfer.lock();
            if (driver && stalled)
                driver->onWatchdog(stalled);
        });
}

void CurlMultiDriver::onWatchdog(const std::shared_ptr<CurlTransfer>& transfer) {
    CURL* easy = transfer->handle();
    auto it = easy != nullptr ? m_running.find(easy) : m_running.end();
    if (it == m_running.end())
        return;
    it->second.watchdog.reset();
    if (!transfer->limitRanOut(std::chrono::steady_clock::now())) {
        armWatchdog(it->second);
        return;
    }
    detach(easy);
    transfer->complete(CURLE_OPERATION_TIMEDOUT);
}

void CurlMultiDriver::watchSocket(curl_socket_t socket, int what) {
    auto it = m_sockets.find(socket);
    const short events = static_cast<short>(((what & CURL_POLL_IN) ? POLLIN : 0) |
                                            ((what & CURL_POLL_OUT) ? POLLOUT : 0));
    if (it != m_sockets.end()) {
        if (what != CURL_POLL_REMOVE && it->second.events == events)
            return;
        if (m_ioAvailable)
            m_io.unwatch(it->second.id);
        m_sockets.erase(it);
    }
    if (what == CURL_POLL_REMOVE || !m_ioAvailable)
        return;
    const auto id = m_io.watch(socket, events, [self = weak_from_this(), socket](short revents) {
        if (auto driver = self.lock())
            driver->onSocketReady(socket, revents);
    });
    m_sockets.emplace(socket, SocketWatch{id, events});
}

void CurlMultiDriver::onSocketReady(curl_socket_t socket, short revents) {
    if (!m_multi)
        return;
    int flags = 0;
    if (revents & (POLLIN | POLLHUP))
        flags |= CURL_CSELECT_IN;
    if (revents & POLLOUT)
        flags |= CURL_CSELECT_OUT;
    if (revents & (POLLERR | POLLNVAL))
        flags |= CURL_CSELECT_ERR;
    int stillRunning = 0;
    curl_multi_socket_action(m_multi.get(), socket, flags, &stillRunning);
    collectFinished();
}

void CurlMultiDriver::scheduleTimer(long milliseconds) {
    if (m_timer && m_ioAvailable)
        m_io.cancelTimer(*m_timer);
    m_timer.reset();
    if (milliseconds < 0 || !m_ioAvailable)
        return;
    m_timer =
        m_io.addTimer(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds),
                      [self = weak_from_this()] {
                          if (auto driver = self.lock())
                              driver->onTimer();
                      });
}

void CurlMultiDriver::onTimer() {
    m_timer.reset();
    if (!m_multi)
        return;
    int stillRunning = 0;
    curl_multi_socket_action(m_multi.get(), CURL_SOCKET_TIMEOUT, 0, &stillRunning);
    collectFinished();
}

int CurlMultiDriver::socketCallback(CURL*, curl_socket_t socket, int what, void* self, void*) {
    static_cast<CurlMultiDriver*>(self)->watchSocket(socket, what);
    return 0;
}

int CurlMultiDriver::timerCallback(CURLM*, long milliseconds, void* self) {
    static_cast<CurlMultiDriver*>(self)->scheduleTimer(milliseconds);
    return 0;
}

} // namespace lumra
