#include "platform/process/ChildProcess.h"

#include "base/DiagnosticLog.h"
#include "base/UniqueFd.h"
#include "concurrency/Runtime.h"
#include "platform/process/BoundedOutput.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <future>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumra {

namespace {

int pidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int pidfdSendSignal(int pidfd, int signal) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

std::string systemMessage(int code) {
    return std::strerror(code);
}

} // namespace

// Everything below is touched on the I/O thread only, except `running` and
// the pidfd, which killAtExit reads from any thread under pidfdMutex.
struct ChildProcess::State : std::enable_shared_from_this<ChildProcess::State> {
    pid_t pid = -1;
    std::mutex pidfdMutex;
    UniqueFd pidfd;
    std::array<UniqueFd, 2> pipes; // standard output, standard error
    std::array<IoThread::WatchId, 2> pipeWatches{0, 0};
    IoThread::WatchId exitWatch = 0;
    std::optional<IoThread::TimerId> killTimer;
    std::array<BoundedOutput, 2> output;
    std::size_t keptOutputBytes = SIZE_MAX;
    std::optional<ChildExit> exit;
    bool terminationRequested = false;
    std::function<void(ChildExit)> onExit;
    std::atomic<bool> running{true};
    IoThread* io = nullptr;

    void start() {
        auto self = shared_from_this();
        for (int stream = 0; stream < 2; ++stream) {
            pipeWatches[stream] = io->watch(pipes[stream].get(), POLLIN,
                                            [self, stream](short) { self->drain(stream); });
        }
        exitWatch = io->watch(pidfd.get(), POLLIN, [self](short) { self->reap(/*block=*/false); });
    }

    void drain(int stream) {
        std::array<char, 65536> buffer;
        for (;;) {
            const ssize_t n = ::read(pipes[stream].get(), buffer.data(), buffer.size());
            if (n > 0) {
                output[stream].append(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return;
            closePipe(stream); // end of file, or an error that ends the stream
            deliverIfComplete();
            return;
        }
    }

    void closePipe(int stream) {
        if (!pipes[stream])
            return;
        io->unwatch(pipeWatches[stream]);
        pipes[stream].reset();
    }

    void reap(bool block) {
        if (exit)
            return;
        siginfo_t info{};
        const int flags = WEXITED | (block ? 0 : WNOHANG);
        while (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd.get()), &info,
                        flags) < 0) {
            if (errno != EINTR)
                return;
        }
        if (info.si_pid == 0)
            return; // not exited yet
        const bool signalled = info.si_code != CLD_EXITED;
        exit = ChildExit{info.si_status, signalled, {}, {}};
        running.store(false);
        io->unwatch(exitWatch);
        {
            std::lock_guard lock(pidfdMutex);
            pidfd.reset();
        }
        if (killTimer)
            io->cancelTimer(*killTimer);
        killTimer.reset();
        if (terminationRequested)
            dropOutput();
        deliverIfComplete();
    }

    // A grandchild may still hold the pipes; once we gave up on the child,
    // its output is not waited for.
    void dropOutput() {
        closePipe(0);
        closePipe(1);
    }

    void deliverIfComplete() {
        if (!exit || pipes[0] || pipes[1] || !onExit)
            return;
        ChildExit outcome = std::move(*exit);
        if (output[0].isCut() || output[1].isCut())
            LUMRA_LOG("process", fmt::format("pid {}: output past {} bytes kept only in part", pid,
                                             keptOutputBytes));
        outcome.standardOutput = output[0].take();
        outcome.standardError = output[1].take();
        auto callback = std::exchange(onExit, nullptr);
        callback(std::move(outcome));
    }

    void requestTermination() {
        terminationRequested = true;
        if (exit) {
            dropOutput();
            deliverIfComplete();
            return;
        }
        pidfdSendSignal(pidfd.get(), SIGTERM);
        if (killTimer)
            return;
        auto self = shared_from_this();
        killTimer = io->addTimer(std::chrono::steady_clock::now() + terminationGrace, [self] {
            self->killTimer.reset();
            if (!self->exit)
                pidfdSendSignal(self->pidfd.get(), SIGKILL);
        });
    }

    // The process ends without a shutdown (exit() from a library): killed
    // from whichever thread ends it, while the I/O thread may still run. A
    // pidfd names its own child even once that has been reaped.
    void killAtExit() {
        std::lock_guard lock(pidfdMutex);
        if (pidfd)
            pidfdSendSignal(pidfd.get(), SIGKILL);
    }

    // At shutdown: no child outlives the process.
    void killAndReap() {
        if (exit)
            return;
        terminationRequested = true;
        pidfdSendSignal(pidfd.get(), SIGKILL);
        reap(/*block=*/true);
    }
};

namespace {

// Children still running, for the shutdown of the runtime that started them.
class ChildRegistry {
public:
    // Never destroyed: the exit hook may run after static destructors have.
    static ChildRegistry& shared() {
        static ChildRegistry* const registry = new ChildRegistry();
        return *registry;
    }

    void add(const std::shared_ptr<ChildProcess::State>& child) {
        Runtime& runtime = Runtime::current();
        bool hook = false;
        {
            std::lock_guard lock(m_mutex);
            std::erase_if(m_children, [](const auto& weak) { return weak.expired(); });
            m_children.push_back(child);
            hook = m_hookedRuntime != &runtime;
            m_hookedRuntime = &runtime;
        }
        if (hook)
            runtime.addShutdownHook([this, &runtime] { killAll(runtime.io()); });
    }

private:
    // A child's own parent-death signal is lost when it executes a program
    // with file capabilities (iputils ping): exit() still ends it.
    ChildRegistry() {
        std::atexit([] { shared().killAllAtExit(); });
    }

    void killAllAtExit() {
        std::lock_guard lock(m_mutex);
        for (auto& weak : m_children) {
            if (auto child = weak.lock())
                child->killAtExit();
        }
    }

    // The job owns what it works on, so an I/O thread that runs it late
    // touches nothing of this frame. Waiting without a bound is safe: the
    // job either runs or is dropped by a stopping I/O thread, and dropping
    // it breaks the promise, which ends the wait too.
    void killAll(IoThread& io) {
        auto children = std::make_shared<std::vector<std::weak_ptr<ChildProcess::State>>>();
        {
            std::lock_guard lock(m_mutex);
            children->swap(m_children);
            m_hookedRuntime = nullptr;
        }
        auto killAndReapAll = [children] {
            for (auto& weak : *children) {
                if (auto child = weak.lock())
                    child->killAndReap();
            }
        };
        if (io.isCurrent()) {
            killAndReapAll();
            return;
        }
        auto done = std::make_shared<std::promise<void>>();
        auto finished = done->get_future();
        io.post([killAndReapAll, done = std::move(done)] {
            killAndReapAll();
            done->set_value();
        });
        finished.wait();
    }

    std::mutex m_mutex;
    std::vector<std::weak_ptr<ChildProcess::State>> m_children;
    const Runtime* m_hookedRuntime = nullptr;
};

// The child's side of the start, between vfork and execve: it shares the
// parent's memory and stack, so only system calls, nothing that allocates or
// locks. It dies with the thread that started it (PR_SET_PDEATHSIG), checks
// that this thread's process is still its parent (it may have died before
// the signal was set), takes the pipes as its output streams and starts with
// default signal handling and nothing blocked.
[[noreturn]] void startChild(const char* file, char* const* argv, int standardOutput,
                             int standardError, int report, pid_t parent) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber)
        ::sigaction(signalNumber, &defaultAction, nullptr);
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    // dup2 clears close-on-exec on the copies only.
    if (::dup2(standardOutput, STDOUT_FILENO) < 0 || ::dup2(standardError, STDERR_FILENO) < 0) {
        const int error = errno;
        [[maybe_unused]] const auto written = ::write(report, &error, sizeof error);
        ::_exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(file, argv, environ);
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

// vfork, so a large parent starts a child as cheaply as posix_spawn does (no
// page tables are copied); every signal is blocked meanwhile, so no handler
// of the parent's runs in the child. The pid, or -1 and errno.
pid_t forkChild(const char* file, char* const* argv, int standardOutput, int standardError,
                int report) {
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t parent = ::getpid();
    const pid_t pid = ::vfork();
    if (pid == 0)
        startChild(file, argv, standardOutput, standardError, report, parent);
    const int error = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return pid;
}

// Why the child could not execute its program, as it reported it through
// the close-on-exec pipe: nothing when the pipe closed empty (the execve
// succeeded).
std::optional<int> launchFailure(int reportRead) {
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(reportRead, &error, sizeof error);
        if (n == static_cast<ssize_t>(sizeof error))
            return error;
        if (n < 0 && errno == EINTR)
            continue;
        return std::nullopt;
    }
}

} // namespace

std::shared_ptr<ChildProcess> ChildProcess::launch(const std::string& file,
                                                   const std::vector<std::string>& argv,
                                                   std::function<void(ChildExit)> onExit,
                                                   std::size_t maxKeptOutputBytes) {
    UniquePipe out = openPipe(O_CLOEXEC);
    if (!out.read)
        throw ChildLaunchError(errno, systemMessage(errno));
    UniquePipe err = openPipe(O_CLOEXEC);
    if (!err.read)
        throw ChildLaunchError(errno, systemMessage(errno));

    UniquePipe report = openPipe(O_CLOEXEC);
    if (!report.read)
        throw ChildLaunchError(errno, systemMessage(errno));

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const pid_t pid =
        forkChild(file.c_str(), args.data(), out.write.get(), err.write.get(), report.write.get());
    const int forkError = errno;
    out.write.reset();
    err.write.reset();
    report.write.reset();
    if (pid < 0)
        throw ChildLaunchError(forkError, systemMessage(forkError));
    if (const auto failure = launchFailure(report.read.get())) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw ChildLaunchError(*failure, systemMessage(*failure));
    }

    auto state = std::make_shared<State>();
    state->pid = pid;
    ::fcntl(out.read.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(err.read.get(), F_SETFL, O_NONBLOCK);
    state->pipes = {std::move(out.read), std::move(err.read)};
    state->onExit = std::move(onExit);
    state->output = {BoundedOutput(maxKeptOutputBytes), BoundedOutput(maxKeptOutputBytes)};
    state->keptOutputBytes = maxKeptOutputBytes;
    state->io = &ioThread();
    // Opened before anyone reaps the child, so it cannot name another process.
    state->pidfd.reset(pidfdOpen(pid));
    if (!state->pidfd) {
        const int error = errno;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        throw ChildLaunchError(error, systemMessage(error));
    }
    ChildRegistry::shared().add(state);
    state->io->post([state] { state->start(); });
    return std::shared_ptr<ChildProcess>(new ChildProcess(state));
}

ChildProcess::ChildProcess(std::shared_ptr<State> state) : m_state(std::move(state)) {}

ChildProcess::~ChildProcess() = default;

pid_t ChildProcess::pid() const noexcept {
    return m_state->pid;
}

bool ChildProcess::isRunning() const noexcept {
    return m_state->running.load();
}

void ChildProcess::terminate() {
    m_state->io->post([state = m_state] { state->requestTermination(); });
}

} // namespace lumra
