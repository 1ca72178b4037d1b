// Worker threads for blocking and nonisolated work. The background pool runs
// the highest priority first; a serial queue is a pool of one thread that keeps
// FIFO order regardless of priority.
#pragma once

#include "concurrency/Executor.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumra {

class ThreadPool : public Executor {
public:
    explicit ThreadPool(std::size_t threadCount, std::string name = "lumra-pool");
    ~ThreadPool() override;
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    void post(Job job, TaskPriority priority = TaskPriority::medium) override;
    bool isCurrent() const override;

    // Jobs queued or running.
    std::size_t outstanding() const;

    // Runs what is queued, then joins the threads; later posts are dropped.
    void shutdown();

protected:
    ThreadPool(std::size_t threadCount, std::string name, bool fifoOnly);

private:
    static constexpr std::size_t levelCount = 4;
    void workerLoop();
    bool popNext(Job& job);

    const bool m_fifoOnly;
    const std::string m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::array<std::deque<Job>, levelCount> m_queues;
    std::size_t m_outstanding = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

class SerialQueue final : public ThreadPool {
public:
    explicit SerialQueue(std::string name) : ThreadPool(1, std::move(name), /*fifoOnly=*/true) {}
};

} // namespace lumra
