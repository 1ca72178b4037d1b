// Moving a task between executors. resumeOn hops the current task to another
// executor for what follows (a Task that hopped returns to its awaiter's
// executor when it ends). runBlocking runs a blocking call on a pool and
// resumes on the task's own executor; it is not interrupted by cancellation.
#pragma once

#include "concurrency/Continuation.h"
#include "concurrency/Task.h"
#include "concurrency/ThreadPool.h"

#include <cassert>
#include <coroutine>
#include <exception>
#include <type_traits>
#include <utility>

namespace lumra {

struct ResumeOnAwaiter {
    Executor& target;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> h) const {
        ResumeTarget resume = ResumeTarget::current(h);
        resume.task->setExecutor(target);
        resume.post();
    }
    void await_resume() const noexcept {}
};

inline ResumeOnAwaiter resumeOn(Executor& executor) {
    return ResumeOnAwaiter{executor};
}

// Lets other work on the same executor run first.
inline ResumeOnAwaiter yieldNow() {
    TaskState* task = currentTask();
    assert(task != nullptr && "yieldNow() runs inside a task");
    return ResumeOnAwaiter{task->executor()};
}

template <class F>
auto runBlocking(Executor& pool, TaskPriority priority, F fn) -> Task<std::invoke_result_t<F&>> {
    using R = std::invoke_result_t<F&>;
    auto start = [&pool, priority,
                  fn = std::move(fn)](CheckedThrowingContinuation<R> continuation) mutable {
        pool.post(
            [fn = std::move(fn), continuation]() mutable {
                try {
                    if constexpr (std::is_void_v<R>) {
                        fn();
                        continuation.resume();
                    } else {
                        continuation.resume(fn());
                    }
                } catch (...) {
                    continuation.resumeThrowing(std::current_exception());
                }
            },
            priority);
    };
    co_return co_await withCheckedThrowingContinuation<R>(std::move(start));
}

} // namespace lumra
