// The one I/O thread: it waits on file descriptors (child pipes, pidfds,
// netlink and bus sockets, libcurl's sockets) and monotonic timers, and runs
// jobs posted to it. Everything that talks to those descriptors runs here, so
// they need no locks of their own.
#pragma once

#include "base/UniqueFd.h"
#include "concurrency/Executor.h"
#include "concurrency/TimerQueue.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lumra {

class IoThread final : public Executor {
public:
    using WatchId = std::uint64_t;
    using Deadline = std::chrono::steady_clock::time_point;
    using TimerId = TimerQueue<Deadline>::TimerId;

    IoThread();
    ~IoThread() override;
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;

    void post(Job job, TaskPriority priority = TaskPriority::medium) override;
    bool isCurrent() const override;

    // Calls onReady(revents) on the I/O thread each time fd is ready for
    // events (poll(2) flags) until unwatch. The fd stays owned by the caller.
    WatchId watch(int fd, short events, std::function<void(short revents)> onReady);
    // On the I/O thread no callback of id runs after this returns; from
    // another thread one may be running right now.
    void unwatch(WatchId id);

    // Runs fn once on the I/O thread at deadline; a deadline in the past runs
    // it on the next turn of the loop.
    TimerId addTimer(Deadline deadline, Job fn);
    // True when the timer had not fired yet and now never will.
    bool cancelTimer(TimerId id);

    // Jobs posted and not yet finished (watches and timers are not counted).
    std::size_t outstanding() const;

    // Stops the loop and joins the thread; queued jobs are dropped.
    void shutdown();

private:
    struct Watch {
        int fd;
        short events;
        std::shared_ptr<std::function<void(short)>> onReady;
    };

    void loop();
    void wake();
    // Under m_mutex: whether a caller on another thread must wake the loop
    // for it to see what it just changed (the loop looks at everything again
    // before it sleeps, so its own thread never needs to).
    bool takeWakeUp(bool needed);
    int pollTimeoutMilliseconds(Deadline now);
    void runPostedJobs();
    void runDueTimers();

    UniqueFd m_wakeFd;
    mutable std::mutex m_mutex;
    std::vector<Job> m_jobs;
    std::size_t m_outstanding = 0;
    std::map<WatchId, Watch> m_watches;
    TimerQueue<Deadline> m_timers;
    std::uint64_t m_nextId = 1;
    bool m_stopping = false;
    // A wake-up is written and not yet seen by the loop.
    bool m_wakePending = false;
    // When the sleeping loop wakes by itself; min() while it is awake.
    Deadline m_sleepsUntil = Deadline::min();
    std::thread m_thread;
    std::atomic<std::thread::id> m_threadId;
};

} // namespace lumra
