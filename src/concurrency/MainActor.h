// The main actor: one serial FIFO executor drained on one thread. A run-loop
// binding (the Qt event loop, or a headless or virtual-clock loop) is asked
// for one drain per empty-to-non-empty transition of the queue.
#pragma once

#include "concurrency/Executor.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

namespace lumra {

class RunLoopBinding {
public:
    virtual ~RunLoopBinding() = default;
    // Called from any thread, without locks held: arrange for drain() to run
    // soon on the bound thread.
    virtual void scheduleDrain() = 0;
};

class MainActor final : public Executor {
public:
    MainActor() = default;
    MainActor(const MainActor&) = delete;
    MainActor& operator=(const MainActor&) = delete;

    // Binds the actor to the calling thread; binding may be null for loops
    // that wait with waitForWork() instead.
    void bind(RunLoopBinding* binding);
    void unbind();

    void post(Job job, TaskPriority priority = TaskPriority::medium) override;
    bool isCurrent() const override;
    // True on the bound thread, and anywhere before the first bind.
    bool isCurrentOrUnbound() const;

    // Runs the jobs queued when it began (later posts wait for the next
    // drain, so a busy actor still lets its event loop breathe). Returns how
    // many ran. Only on the bound thread.
    std::size_t drain();

    // Blocks until a job is queued or the timeout passes.
    bool waitForWork(std::chrono::nanoseconds timeout);
    bool hasQueuedWork() const;

    // Later posts are dropped.
    void stopAccepting();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Job> m_queue;
    bool m_drainRequested = false;
    bool m_accepting = true;
    RunLoopBinding* m_binding = nullptr;
    std::thread::id m_thread;
};

} // namespace lumra
