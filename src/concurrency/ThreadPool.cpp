#include "concurrency/ThreadPool.h"

#include <pthread.h>

namespace lumra {

namespace {

thread_local const ThreadPool* t_currentPool = nullptr;

} // namespace

ThreadPool::ThreadPool(std::size_t threadCount, std::string name)
    : ThreadPool(threadCount, std::move(name), /*fifoOnly=*/false) {}

ThreadPool::ThreadPool(std::size_t threadCount, std::string name, bool fifoOnly)
    : m_fifoOnly(fifoOnly), m_name(std::move(name)) {
    if (threadCount == 0)
        threadCount = 1;
    m_threads.reserve(threadCount);
    for (std::size_t i = 0; i < threadCount; ++i) {
        m_threads.emplace_back([this] { workerLoop(); });
        // Thread names are at most 15 characters.
        pthread_setname_np(m_threads.back().native_handle(), m_name.substr(0, 15).c_str());
    }
}

ThreadPool::~ThreadPool() {
    shutdown();
}

void ThreadPool::post(Job job, TaskPriority priority) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        const auto level = m_fifoOnly ? 0 : static_cast<std::size_t>(priority);
        m_queues[level].push_back(std::move(job));
        ++m_outstanding;
    }
    m_wake.notify_one();
}

bool ThreadPool::isCurrent() const {
    return t_currentPool == this;
}

std::size_t ThreadPool::outstanding() const {
    std::lock_guard lock(m_mutex);
    return m_outstanding;
}

void ThreadPool::shutdown() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping && m_threads.empty())
            return;
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) {
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
            thread.join();
    }
    m_threads.clear();
}

bool ThreadPool::popNext(Job& job) {
    for (std::size_t level = levelCount; level-- > 0;) {
        auto& queue = m_queues[level];
        if (!queue.empty()) {
            job = std::move(queue.front());
            queue.pop_front();
            return true;
        }
    }
    return false;
}

void ThreadPool::workerLoop() {
    t_currentPool = this;
    std::unique_lock lock(m_mutex);
    for (;;) {
        Job job;
        m_wake.wait(lock, [&] { return popNext(job) || m_stopping; });
        if (!job)
            return; // stopping with nothing left
        lock.unlock();
        job();
        job = Job();
        lock.lock();
        --m_outstanding;
    }
}

} // namespace lumra
