// Unstructured tasks. spawn queues the body on an executor (never runs it
// inline) and returns a handle; the body runs even when cancelled before it
// starts, and then sees isCancelled(). Handles are copyable, compare by
// identity and never cancel on destruction; awaiting one does not pass the
// awaiter's cancellation on.
#pragma once

#include "concurrency/Cancellation.h"
#include "concurrency/Runtime.h"
#include "concurrency/Task.h"
#include "concurrency/TaskCore.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

namespace lumra {

template <class T> class TaskHandle {
public:
    explicit TaskHandle(std::shared_ptr<detail::TaskCore<T>> core) : m_core(std::move(core)) {}

    void cancel() const noexcept { m_core->state.cancel(); }
    bool isCancelled() const noexcept { return m_core->state.isCancelled(); }
    bool isFinished() const { return m_core->isFinished(); }

    struct ValueAwaiter {
        std::shared_ptr<detail::TaskCore<T>> core;
        bool await_ready() const { return core->isFinished(); }
        bool await_suspend(std::coroutine_handle<> h) {
            return core->addWaiter(ResumeTarget::current(h));
        }
        T await_resume() const { return core->copyResult(); }
    };
    // co_await handle.value(): the task's result, or its error rethrown.
    ValueAwaiter value() const { return ValueAwaiter{m_core}; }

    // The result of a finished task, outside any task (tests, shutdown).
    T get() const { return m_core->copyResult(); }

    bool operator==(const TaskHandle& other) const noexcept { return m_core == other.m_core; }
    std::size_t hash() const noexcept { return std::hash<const void*>{}(m_core.get()); }

private:
    std::shared_ptr<detail::TaskCore<T>> m_core;
};

namespace detail {

// Keeps a root task in its runtime's registry for the life of its frame.
class RootRegistration {
public:
    RootRegistration(Runtime* runtime, std::optional<std::uint64_t> id)
        : m_runtime(runtime), m_id(id) {}
    RootRegistration(RootRegistration&& other) noexcept
        : m_runtime(other.m_runtime), m_id(std::exchange(other.m_id, std::nullopt)) {}
    RootRegistration(const RootRegistration&) = delete;
    RootRegistration& operator=(const RootRegistration&) = delete;
    RootRegistration& operator=(RootRegistration&&) = delete;
    ~RootRegistration() {
        if (m_id)
            m_runtime->unregisterRoot(*m_id);
    }

private:
    Runtime* m_runtime;
    std::optional<std::uint64_t> m_id;
};

// The body lives in this frame until the task ends, so a lambda's captures
// outlive the coroutine the lambda returns. The registration is the last
// parameter: parameters are destroyed in reverse order, so it goes first and
// the registry never holds a task that is gone.
template <class T, class Body>
Driver driveRoot(std::shared_ptr<TaskCore<T>> core, Body body, RootRegistration) {
    co_await runInto(*core, body);
    core->finish();
}

} // namespace detail

template <detail::TaskBody Body>
TaskHandle<detail::BodyResult<Body>> spawn(Executor& executor, Body body,
                                           TaskPriority priority = TaskPriority::medium) {
    using T = detail::BodyResult<Body>;
    auto core = std::make_shared<detail::TaskCore<T>>(executor, priority);
    Runtime* runtime = Runtime::currentOrNull();
    std::optional<std::uint64_t> id;
    if (runtime != nullptr) {
        id = runtime->registerRoot(std::shared_ptr<TaskState>(core, &core->state));
        if (!id) {
            // Shutting down: the body never runs.
            core->state.cancel();
            core->error = std::make_exception_ptr(CancellationError());
            core->finish();
            return TaskHandle<T>(std::move(core));
        }
    }
    auto driver =
        detail::driveRoot<T>(core, std::move(body), detail::RootRegistration(runtime, id));
    std::move(driver).start(core->state);
    return TaskHandle<T>(std::move(core));
}

// A task that inherits nothing, on the pool with the given priority.
template <detail::TaskBody Body>
TaskHandle<detail::BodyResult<Body>> spawnDetached(ThreadPool& pool, TaskPriority priority,
                                                   Body body) {
    return spawn(pool, std::move(body), priority);
}

} // namespace lumra

template <class T> struct std::hash<lumra::TaskHandle<T>> {
    std::size_t operator()(const lumra::TaskHandle<T>& handle) const noexcept {
        return handle.hash();
    }
};
