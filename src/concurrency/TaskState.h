// The state every task shares with the code running in it: its cancellation
// flag and handlers, its executor and priority, and the link that cancels it
// with its parent. The task running on a thread is found through a
// thread-local set for the length of each job.
#pragma once

#include "concurrency/Executor.h"

#include <atomic>
#include <coroutine>
#include <functional>
#include <optional>
#include <stop_token>

namespace lumra {

class TaskState {
public:
    TaskState(Executor& executor, TaskPriority priority)
        : m_executor(&executor), m_priority(priority) {}
    TaskState(const TaskState&) = delete;
    TaskState& operator=(const TaskState&) = delete;
    ~TaskState() { unlinkFromParent(); }

    bool isCancelled() const noexcept { return m_stop.stop_requested(); }
    // Runs the registered handlers on the calling thread, then cancels the
    // structured children (they are handlers too).
    void cancel() noexcept { m_stop.request_stop(); }
    std::stop_token token() const noexcept { return m_stop.get_token(); }

    Executor& executor() const noexcept { return *m_executor.load(std::memory_order_acquire); }
    void setExecutor(Executor& executor) noexcept {
        m_executor.store(&executor, std::memory_order_release);
    }
    TaskPriority priority() const noexcept { return m_priority; }

    // Cancels this task whenever parent is cancelled; at once when it already is.
    void linkToParent(const TaskState& parent) {
        m_parentLink.emplace(parent.token(), Canceller{this});
    }
    // Waits for a cancellation of ours that runs on another thread right now.
    void unlinkFromParent() noexcept { m_parentLink.reset(); }

private:
    struct Canceller {
        TaskState* child;
        void operator()() const noexcept { child->cancel(); }
    };

    std::stop_source m_stop;
    std::atomic<Executor*> m_executor;
    const TaskPriority m_priority;
    std::optional<std::stop_callback<Canceller>> m_parentLink;
};

// The task whose job runs on this thread, or null outside any task.
TaskState* currentTask() noexcept;

// Makes `task` current for a scope (a job that resumes one of its frames).
class CurrentTaskScope {
public:
    explicit CurrentTaskScope(TaskState* task) noexcept;
    ~CurrentTaskScope();
    CurrentTaskScope(const CurrentTaskScope&) = delete;
    CurrentTaskScope& operator=(const CurrentTaskScope&) = delete;

private:
    TaskState* m_previous;
};

// A suspended frame and the task it belongs to. Every completion from outside
// resumes through post(): it is queued on the task's executor at that moment,
// never resumed on the completing thread. The frame keeps its task state
// alive while it is suspended, so a raw pointer suffices.
struct ResumeTarget {
    std::coroutine_handle<> handle;
    TaskState* task = nullptr;

    // The frame h of the task running on this thread.
    static ResumeTarget current(std::coroutine_handle<> h) noexcept;
    void post() const;
};

} // namespace lumra
