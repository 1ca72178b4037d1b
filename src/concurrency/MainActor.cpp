// The main actor's queue. The lock guards only the queue and its flags; jobs
// and the binding's callback run without it.
#include "concurrency/MainActor.h"

#include <cassert>

namespace lumra {

void MainActor::bind(RunLoopBinding* binding) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_binding = binding;
        m_thread = std::this_thread::get_id();
        wake = binding != nullptr && !m_queue.empty();
        if (wake)
            m_drainRequested = true;
    }
    if (wake)
        binding->scheduleDrain();
}

void MainActor::unbind() {
    std::lock_guard lock(m_mutex);
    m_binding = nullptr;
    m_drainRequested = false;
}

void MainActor::post(Job job, TaskPriority) {
    RunLoopBinding* wake = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!m_accepting)
            return;
        m_queue.push_back(std::move(job));
        if (m_binding != nullptr && !m_drainRequested) {
            m_drainRequested = true;
            wake = m_binding;
        }
    }
    m_posted.notify_all();
    if (wake != nullptr)
        wake->scheduleDrain();
}

bool MainActor::isCurrent() const {
    std::lock_guard lock(m_mutex);
    return m_thread == std::this_thread::get_id();
}

bool MainActor::isCurrentOrUnbound() const {
    std::lock_guard lock(m_mutex);
    return m_thread == std::thread::id() || m_thread == std::this_thread::get_id();
}

std::size_t MainActor::drain() {
    assert(isCurrent() && "the main actor drains only on its bound thread");
    std::deque<Job> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_queue);
        m_drainRequested = false;
    }
    for (Job& job : batch)
        job();
    return batch.size();
}

bool MainActor::waitForWork(std::chrono::nanoseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_posted.wait_for(lock, timeout, [this] { return !m_queue.empty(); });
}

bool MainActor::hasQueuedWork() const {
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

void MainActor::stopAccepting() {
    std::lock_guard lock(m_mutex);
    m_accepting = false;
}

} // namespace lumra
