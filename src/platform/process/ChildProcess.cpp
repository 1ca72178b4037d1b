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
#include <spawn.h>
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

// Everything below is touched on the I/O thread only, except `running`.
struct ChildProcess::State : std::enable_shared_from_this<ChildProcess::State> {
    pid_t pid = -1;
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
        pidfd.reset();
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
    static ChildRegistry& shared() {
        static ChildRegistry registry;
        return registry;
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

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnAttributes() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnAttributes() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

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

    SpawnAttributes spawn;
    // The child starts with default signal handling and nothing blocked,
    // whatever this process does with its signals.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&spawn.attributes, &all);
    posix_spawnattr_setsigmask(&spawn.attributes, &none);
    posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    // dup2 clears close-on-exec on the copies only.
    posix_spawn_file_actions_adddup2(&spawn.actions, out.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, err.write.get(), STDERR_FILENO);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int code =
        ::posix_spawn(&pid, file.c_str(), &spawn.actions, &spawn.attributes, args.data(), environ);
    out.write.reset();
    err.write.reset();
    if (code != 0)
        throw ChildLaunchError(code, systemMessage(code));

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
