#include "platform/signals/QuitSignalPipe.h"

#include "base/DiagnosticLog.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace lumra {

namespace {

std::atomic<int> signalWriteFd{-1};

void writeSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // Nothing else is safe in a handler; a full pipe already has a quit in it.
    [[maybe_unused]] const auto written = ::write(signalWriteFd.load(), &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignalPipe::QuitSignalPipe() : m_pipe(openPipe(O_CLOEXEC | O_NONBLOCK)) {
    if (!m_pipe.read) {
        LUMRA_LOG("signals", std::string("no pipe for the quit signals: ") + std::strerror(errno));
        return;
    }
    signalWriteFd.store(m_pipe.write.get());
    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : quitSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

QuitSignalPipe::~QuitSignalPipe() {
    if (!m_pipe.read)
        return;
    for (const int signalNumber : quitSignals)
        std::signal(signalNumber, SIG_DFL);
    signalWriteFd.store(-1);
}

bool QuitSignalPipe::drain() noexcept {
    bool received = false;
    char bytes[16];
    while (::read(m_pipe.read.get(), bytes, sizeof bytes) > 0)
        received = true;
    return received;
}

} // namespace lumra
