// Loops that drive a runtime's main actor on the calling thread without an
// event loop: RunLoop for headless runs and tests on the real clock,
// VirtualClockRunLoop for tests of schedules (time moves only when the loop
// is idle, timers fire in deadline order).
#pragma once

#include "concurrency/Runtime.h"
#include "concurrency/Spawn.h"
#include "concurrency/VirtualClock.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <stdexcept>

namespace lumra {

namespace detail {
bool drainUntil(MainActor& actor, const std::function<bool()>& done,
                std::chrono::nanoseconds timeout);
} // namespace detail

class RunLoop {
public:
    explicit RunLoop(Runtime::Options options = {});
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    Runtime& runtime() noexcept { return m_runtime; }

    // Runs main-actor jobs until done() holds or timeout (real time) passes;
    // returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::nanoseconds timeout);

    // Runs main-actor jobs for duration (real time), asleep whenever none is
    // queued: unlike runUntil it has no condition to look at, so it wakes
    // only for posted work and at the end.
    void runFor(std::chrono::nanoseconds duration);

    // Runs until the task finishes and returns its result; throws
    // std::runtime_error when it has not finished within timeout.
    template <class T>
    T await(const TaskHandle<T>& task,
            std::chrono::nanoseconds timeout = std::chrono::seconds(30)) {
        if (!runUntil([&] { return task.isFinished(); }, timeout))
            throw std::runtime_error("task did not finish in time");
        return task.get();
    }

private:
    Runtime m_runtime;
};

class VirtualClockRunLoop {
public:
    explicit VirtualClockRunLoop(std::size_t poolThreads = 2);
    ~VirtualClockRunLoop();
    VirtualClockRunLoop(const VirtualClockRunLoop&) = delete;
    VirtualClockRunLoop& operator=(const VirtualClockRunLoop&) = delete;

    Runtime& runtime() noexcept { return m_runtime; }
    VirtualClock& clock() noexcept { return *m_runtime.virtualClock(); }

    // Runs main-actor jobs until none is queued and the pool and the I/O
    // thread are idle. Time does not move.
    void runUntilIdle();

    // Moves time forward by duration, running every timer that falls due, in
    // order, with the loop run to idle before each.
    void advanceBy(std::chrono::nanoseconds duration);

    // For work that finishes on a thread of its own: runs main-actor jobs
    // until done() holds or timeout (real time) passes; returns done().
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::nanoseconds timeout = std::chrono::seconds(10));

    // Like advanceBy, for work that never idles: stops after maxJobs
    // main-actor jobs even if time has not reached the end. Returns the jobs run.
    std::size_t runFor(std::chrono::nanoseconds duration, std::size_t maxJobs = 100'000);

    // The result of a task that has finished; throws std::runtime_error when
    // it has not finished by the time the loop is idle.
    template <class T> T await(const TaskHandle<T>& task) {
        runUntilIdle();
        if (!task.isFinished())
            throw std::runtime_error("task is still suspended with the loop idle");
        return task.get();
    }

private:
    // Runs one batch; waits briefly for background work. False when idle.
    bool runBatch(std::size_t& jobs);

    Runtime m_runtime;
};

} // namespace lumra
