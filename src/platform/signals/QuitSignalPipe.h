// The signals that ask a process to end (SIGTERM, SIGINT, and SIGHUP when
// its terminal or session goes), turned into bytes on a pipe: the handler
// only writes a byte, and the event loop that watches readFd() takes the
// quit path on its own thread. One at a time per process; install it from
// the main thread. Its destruction gives the signals their default action
// back.
#pragma once

#include "base/UniqueFd.h"

#include <array>
#include <csignal>

namespace lumra {

class QuitSignalPipe {
public:
    static constexpr std::array<int, 3> quitSignals{SIGTERM, SIGINT, SIGHUP};

    QuitSignalPipe();
    ~QuitSignalPipe();
    QuitSignalPipe(const QuitSignalPipe&) = delete;
    QuitSignalPipe& operator=(const QuitSignalPipe&) = delete;

    // Readable once a quit signal came; -1 when no pipe could be made (the
    // signals then keep their default action).
    int readFd() const noexcept { return m_pipe.read.get(); }
    // Empties the pipe; true when a signal had come since the last call.
    bool drain() noexcept;

private:
    UniquePipe m_pipe;
};

} // namespace lumra
