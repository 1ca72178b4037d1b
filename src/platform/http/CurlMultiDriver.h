// The libcurl multi handle of one HTTP client, driven by the I/O thread:
// curl's sockets become IoThread watches and its timer an IoThread timer, so
// every libcurl call happens on that thread. Other threads only post to it.
// Each transfer also gets a watchdog timer for its no-progress time-out and
// its low-speed floor, because curl calls a silent transfer's progress
// callback too rarely.
#pragma once

#include "concurrency/IoThread.h"
#include "platform/http/CurlTransfer.h"

#include <atomic>
#include <curl/curl.h>
#include <map>
#include <memory>
#include <optional>

namespace lumra {

class CurlMultiDriver : public std::enable_shared_from_this<CurlMultiDriver> {
public:
    static std::shared_ptr<CurlMultiDriver> create(IoThread& io);
    ~CurlMultiDriver();
    CurlMultiDriver(const CurlMultiDriver&) = delete;
    CurlMultiDriver& operator=(const CurlMultiDriver&) = delete;

    // Any thread. Runs the transfer; the completion is resumed once with its
    // outcome (CancellationError once the driver is closed).
    void start(std::shared_ptr<CurlTransfer> transfer, CurlTransfer::Completion completion);
    // Any thread. Ends the transfer with CancellationError and closes its
    // connection; a transfer not started yet never opens one.
    void cancel(std::shared_ptr<CurlTransfer> transfer);
    // Any thread. Ends every transfer with CancellationError and frees the
    // multi handle; later transfers end at once. close() only posts;
    // closeAndWait() returns when it is done (at most after a few seconds).
    void close();
    void closeAndWait();
    bool isClosed() const noexcept { return m_closed.load(std::memory_order_acquire); }

private:
    struct MultiDeleter {
        void operator()(CURLM* multi) const noexcept { curl_multi_cleanup(multi); }
    };
    struct Running {
        std::shared_ptr<CurlTransfer> transfer;
        std::optional<IoThread::TimerId> watchdog;
    };
    struct SocketWatch {
        IoThread::WatchId id;
        short events;
    };
    enum class IoAccess { available, gone };

    explicit CurlMultiDriver(IoThread& io);

    // The I/O thread from here on.
    bool ensureMulti();
    void startNow(std::shared_ptr<CurlTransfer> transfer, CurlTransfer::Completion completion);
    void cancelNow(const std::shared_ptr<CurlTransfer>& transfer);
    void closeNow(IoAccess io);
    void detach(CURL* easy);
    void collectFinished();
    void armWatchdog(Running& running);
    void onWatchdog(const std::shared_ptr<CurlTransfer>& transfer);
    void watchSocket(curl_socket_t socket, int what);
    void onSocketReady(curl_socket_t socket, short revents);
    void scheduleTimer(long milliseconds);
    void onTimer();

    static int socketCallback(CURL* easy, curl_socket_t socket, int what, void* self,
                              void* socketData);
    static int timerCallback(CURLM* multi, long milliseconds, void* self);

    IoThread& m_io;
    std::atomic<bool> m_closed{false};
    // Cleared when the I/O thread may be gone: then nothing calls into it.
    bool m_ioAvailable = true;
    std::unique_ptr<CURLM, MultiDeleter> m_multi;
    std::map<CURL*, Running> m_running;
    std::map<curl_socket_t, SocketWatch> m_sockets;
    std::optional<IoThread::TimerId> m_timer;
};

} // namespace lumra
