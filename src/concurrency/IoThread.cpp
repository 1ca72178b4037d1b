#include "concurrency/IoThread.h"

#include <cassert>
#include <cerrno>
#include <poll.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace lumra {

IoThread::IoThread() {
    m_wakeFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_wakeFd)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    m_thread = std::thread([this] { loop(); });
    pthread_setname_np(m_thread.native_handle(), "lumra-io");
}

IoThread::~IoThread() {
    shutdown();
}

void IoThread::post(Job job, TaskPriority) {
    bool wakeUp;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_jobs.push_back(std::move(job));
        ++m_outstanding;
        wakeUp = takeWakeUp(true);
    }
    if (wakeUp)
        wake();
}

bool IoThread::isCurrent() const {
    return m_threadId.load() == std::this_thread::get_id();
}

IoThread::WatchId IoThread::watch(int fd, short events, std::function<void(short)> onReady) {
    WatchId id;
    bool wakeUp;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
        m_watches.emplace(
            id,
            Watch{fd, events, std::make_shared<std::function<void(short)>>(std::move(onReady))});
        wakeUp = takeWakeUp(true);
    }
    if (wakeUp)
        wake();
    return id;
}

// No wake-up: a sleeping loop that sees the descriptor ready finds no watch
// for it and leaves it out from then on.
void IoThread::unwatch(WatchId id) {
    std::lock_guard lock(m_mutex);
    m_watches.erase(id);
}

IoThread::TimerId IoThread::addTimer(Deadline deadline, Job fn) {
    TimerId id;
    bool wakeUp;
    {
        std::lock_guard lock(m_mutex);
        id = m_timers.add(deadline, std::move(fn));
        // A loop that wakes by itself before the deadline sees the timer then.
        wakeUp = takeWakeUp(deadline < m_sleepsUntil);
    }
    if (wakeUp)
        wake();
    return id;
}

bool IoThread::cancelTimer(TimerId id) {
    Job dropped; // destroyed outside the lock
    std::lock_guard lock(m_mutex);
    dropped = m_timers.cancel(id);
    return static_cast<bool>(dropped);
}

std::size_t IoThread::outstanding() const {
    std::lock_guard lock(m_mutex);
    return m_outstanding;
}

void IoThread::shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    wake();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    std::vector<Job> jobs;
    TimerQueue<Deadline> timers;
    {
        std::lock_guard lock(m_mutex);
        jobs.swap(m_jobs);
        timers = std::exchange(m_timers, {});
        m_watches.clear();
        m_outstanding = 0;
    }
}

bool IoThread::takeWakeUp(bool needed) {
    if (!needed || m_wakePending || isCurrent())
        return false;
    m_wakePending = true;
    return true;
}

void IoThread::wake() {
    const std::uint64_t one = 1;
    // A full counter already means "wake up"; nothing else can fail here.
    [[maybe_unused]] auto written = ::write(m_wakeFd.get(), &one, sizeof one);
}

int IoThread::pollTimeoutMilliseconds(Deadline now) {
    if (!m_jobs.empty()) {
        m_sleepsUntil = Deadline::min();
        return 0;
    }
    const auto nextDeadline = m_timers.nextDeadline();
    if (!nextDeadline) {
        m_sleepsUntil = Deadline::max();
        return -1;
    }
    const auto next = *nextDeadline;
    if (next <= now) {
        m_sleepsUntil = Deadline::min();
        return 0;
    }
    constexpr auto longest = std::chrono::milliseconds(60'000);
    // Round up so a timer is never run early.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now);
    if (wait > longest) {
        m_sleepsUntil = now + longest;
        return static_cast<int>(longest.count());
    }
    m_sleepsUntil = next;
    return static_cast<int>(wait.count());
}

void IoThread::runPostedJobs() {
    std::vector<Job> jobs;
    {
        std::lock_guard lock(m_mutex);
        // Awake: everything changed from here on is seen before the next sleep.
        m_wakePending = false;
        m_sleepsUntil = Deadline::min();
        jobs.swap(m_jobs);
    }
    for (Job& job : jobs) {
        job();
        job = Job();
        std::lock_guard lock(m_mutex);
        --m_outstanding;
    }
}

void IoThread::runDueTimers() {
    for (;;) {
        Job fn;
        {
            std::lock_guard lock(m_mutex);
            auto due = m_timers.takeDue(std::chrono::steady_clock::now());
            if (!due)
                return;
            fn = std::move(due->second);
        }
        fn();
    }
}

void IoThread::loop() {
    m_threadId.store(std::this_thread::get_id());
    std::vector<pollfd> fds;
    std::vector<WatchId> ids;
    for (;;) {
        int timeout;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            fds.assign(1, pollfd{m_wakeFd.get(), POLLIN, 0});
            ids.assign(1, 0);
            for (const auto& [id, w] : m_watches) {
                fds.push_back(pollfd{w.fd, w.events, 0});
                ids.push_back(id);
            }
            timeout = pollTimeoutMilliseconds(std::chrono::steady_clock::now());
        }
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "poll");
        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] auto got = ::read(m_wakeFd.get(), &count, sizeof count);
        }
        runPostedJobs();
        runDueTimers();
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            std::shared_ptr<std::function<void(short)>> onReady;
            {
                std::lock_guard lock(m_mutex);
                auto it = m_watches.find(ids[i]);
                if (it == m_watches.end())
                    continue; // unwatched meanwhile
                onReady = it->second.onReady;
            }
            (*onReady)(fds[i].revents);
        }
    }
}

} // namespace lumra
