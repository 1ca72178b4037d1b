// The state a running task shares with whoever waits for it: its task state,
// its outcome and the frames waiting for that outcome. Drivers fill it; task
// handles, async-lets and groups read it.
#pragma once

#include "concurrency/TaskState.h"

#include <cassert>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

namespace lumra::detail {

class TaskCoreBase {
public:
    TaskCoreBase(Executor& executor, TaskPriority priority) : state(executor, priority) {}

    TaskState state;
    std::exception_ptr error; // written before finish()

    // False when the task already finished: the waiter need not suspend.
    bool addWaiter(ResumeTarget waiter) {
        std::lock_guard lock(m_mutex);
        if (m_finished)
            return false;
        m_waiters.push_back(waiter);
        return true;
    }

    bool isFinished() const {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }

    // Publishes the outcome and resumes every waiter on its own executor.
    void finish() {
        state.unlinkFromParent();
        std::vector<ResumeTarget> waiters;
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
            waiters.swap(m_waiters);
        }
        for (const ResumeTarget& waiter : waiters)
            waiter.post();
    }

private:
    mutable std::mutex m_mutex;
    bool m_finished = false;
    std::vector<ResumeTarget> m_waiters;
};

template <class T> class TaskCore : public TaskCoreBase {
public:
    using TaskCoreBase::TaskCoreBase;
    std::optional<T> value;

    void store(T v) { value.emplace(std::move(v)); }
    T copyResult() const {
        assert(isFinished());
        if (error)
            std::rethrow_exception(error);
        return *value;
    }
    T takeResult() {
        assert(isFinished());
        if (error)
            std::rethrow_exception(error);
        return std::move(*value);
    }
};

template <> class TaskCore<void> : public TaskCoreBase {
public:
    using TaskCoreBase::TaskCoreBase;
    void copyResult() const {
        assert(isFinished());
        if (error)
            std::rethrow_exception(error);
    }
    void takeResult() { copyResult(); }
};

// Runs body's task to its end and records the outcome in core.
template <class T, class Body> Task<void> runInto(TaskCore<T>& core, Body& body) {
    try {
        if constexpr (std::is_void_v<T>)
            co_await body();
        else
            core.store(co_await body());
    } catch (...) {
        core.error = std::current_exception();
    }
}

} // namespace lumra::detail
