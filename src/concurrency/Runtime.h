// One runtime per process (per test): the main actor, the background pool, the
// I/O thread and the clock service, and the registry of unstructured tasks
// that shutdown cancels and waits for.
#pragma once

#include "concurrency/Clock.h"
#include "concurrency/IoThread.h"
#include "concurrency/MainActor.h"
#include "concurrency/TaskState.h"
#include "concurrency/ThreadPool.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace lumra {

class VirtualClock;

class Runtime {
public:
    enum class ClockKind { real, virtualTime };
    struct Options {
        ClockKind clock = ClockKind::real;
        std::size_t poolThreads = 0; // 0: one per core, at least 2
    };

    explicit Runtime(Options options);
    Runtime() : Runtime(Options{}) {}
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    static Runtime& current();
    static Runtime* currentOrNull() noexcept;

    MainActor& mainActor() noexcept { return m_mainActor; }
    ThreadPool& backgroundPool() noexcept { return *m_pool; }
    IoThread& io() noexcept { return *m_io; }
    Clock& clock() noexcept { return *m_clock; }
    // The clock when it is virtual, else null.
    VirtualClock* virtualClock() noexcept { return m_virtualClock; }

    // Work queued or running on the pool or the I/O thread.
    bool hasBackgroundWork() const;

    // Runs during shutdown after the tasks have ended and before the I/O
    // thread stops (platform code ends its child processes here).
    void addShutdownHook(std::function<void()> hook);

    // Refuses new tasks, cancels the running ones, drives the main actor until
    // their frames have ended (or drainLimit passed), runs the hooks, then
    // stops the I/O thread and the pool. On the main actor's thread; once.
    void shutdown(std::chrono::nanoseconds drainLimit = std::chrono::seconds(5));

    std::size_t liveTaskCount() const;

    // For spawn: registers a root task; nullopt once shutdown has begun.
    std::optional<std::uint64_t> registerRoot(std::weak_ptr<TaskState> task);
    void unregisterRoot(std::uint64_t id);

private:
    std::unique_ptr<IoThread> m_io;
    std::unique_ptr<Clock> m_clock;
    VirtualClock* m_virtualClock = nullptr;
    std::unique_ptr<ThreadPool> m_pool;
    MainActor m_mainActor;

    mutable std::mutex m_mutex;
    std::map<std::uint64_t, std::weak_ptr<TaskState>> m_roots;
    std::uint64_t m_nextRootId = 1;
    bool m_acceptingRoots = true;
    bool m_shutDown = false;
    std::vector<std::function<void()>> m_shutdownHooks;
};

// The current runtime's executors and clock.
MainActor& mainActor();
ThreadPool& backgroundPool();
IoThread& ioThread();
Clock& runtimeClock();

} // namespace lumra
