// Task<T>: a lazy coroutine that runs as part of the task that awaits it (same
// cancellation state, same executor). Nothing runs until it is awaited.
//
// Awaiting a child that completes without suspending must not grow the stack,
// and g++ 12 does not turn symmetric transfer into a tail call below -O2 or
// under the sanitizers. So the awaiter resumes the child inline and a
// bool-returning await_suspend learns through an atomic handshake whether the
// child already finished; symmetric transfer is used only after a real
// suspension. A child that hopped to another executor hands its result back
// through a post to the awaiter's executor.
//
// A g++ 12 fault to keep in mind in every coroutine: when an awaited
// operation throws, a brace-initialised aggregate or a lambda that is a
// temporary argument inside that co_await expression is destroyed twice.
// Bind such arguments to a named local first:
//     auto request = CommandRequest{...};
//     co_await runner.run(std::move(request));
// Temporaries made by a constructor, and the awaited task itself, are fine.
#pragma once

#include "concurrency/TaskState.h"

#include <atomic>
#include <cassert>
#include <coroutine>
#include <exception>
#include <type_traits>
#include <utility>
#include <variant>

namespace lumra {

template <class T = void> class Task;

namespace detail {

enum class Handshake { running, completed, suspended };

class TaskPromiseBase {
public:
    std::suspend_always initial_suspend() noexcept { return {}; }

    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <class Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> h) noexcept {
            return h.promise().finish();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }

    // Called by the awaiter before it starts the child.
    void setAwaiter(std::coroutine_handle<> awaiter, Executor* awaiterExecutor) noexcept {
        assert(!m_continuation && "a task is awaited once");
        m_continuation = awaiter;
        m_awaiterExecutor = awaiterExecutor;
    }
    // After the child returned control: true when the awaiter must stay
    // suspended (the child will resume it), false when the child is done.
    bool awaiterSuspends() noexcept {
        return m_handshake.exchange(Handshake::suspended, std::memory_order_acq_rel) !=
               Handshake::completed;
    }

private:
    std::coroutine_handle<> finish() noexcept {
        // Read everything first: once the handshake is published the awaiter
        // may run on and destroy this frame.
        const std::coroutine_handle<> continuation = m_continuation;
        Executor* const home = m_awaiterExecutor;
        TaskState* const task = currentTask();
        const bool hopped = task != nullptr && home != nullptr && &task->executor() != home;
        if (hopped)
            task->setExecutor(*home);
        const Handshake before =
            m_handshake.exchange(Handshake::completed, std::memory_order_acq_rel);
        if (before != Handshake::suspended)
            return std::noop_coroutine(); // the awaiter continues where it started the child
        if (!hopped)
            return continuation;
        ResumeTarget{continuation, task}.post();
        return std::noop_coroutine();
    }

    std::coroutine_handle<> m_continuation;
    Executor* m_awaiterExecutor = nullptr;
    std::atomic<Handshake> m_handshake{Handshake::running};
};

template <class T> class TaskPromise : public TaskPromiseBase {
public:
    Task<T> get_return_object() noexcept;
    template <class U>
    requires std::is_convertible_v<U&&, T>
    void return_value(U&& value) { m_result.template emplace<1>(std::forward<U>(value)); }
    void unhandled_exception() noexcept { m_result.template emplace<2>(std::current_exception()); }
    T takeResult() {
        if (m_result.index() == 2)
            std::rethrow_exception(std::get<2>(m_result));
        assert(m_result.index() == 1 && "a task's result is taken once, after it finished");
        return std::move(std::get<1>(m_result));
    }

private:
    std::variant<std::monostate, T, std::exception_ptr> m_result;
};

template <> class TaskPromise<void> : public TaskPromiseBase {
public:
    Task<void> get_return_object() noexcept;
    void return_void() noexcept {}
    void unhandled_exception() noexcept { m_error = std::current_exception(); }
    void takeResult() {
        if (m_error)
            std::rethrow_exception(m_error);
    }

private:
    std::exception_ptr m_error;
};

} // namespace detail

template <class T> class [[nodiscard]] Task {
public:
    using promise_type = detail::TaskPromise<T>;
    using Handle = std::coroutine_handle<promise_type>;
    using value_type = T;

    Task() noexcept = default;
    explicit Task(Handle h) noexcept : m_handle(h) {}
    Task(Task&& other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            if (m_handle)
                m_handle.destroy();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() {
        if (m_handle)
            m_handle.destroy();
    }

    explicit operator bool() const noexcept { return static_cast<bool>(m_handle); }

    struct Awaiter {
        Handle child;
        bool await_ready() const noexcept { return false; }
        bool await_suspend(std::coroutine_handle<> awaiter) noexcept {
            TaskState* task = currentTask();
            child.promise().setAwaiter(awaiter, task != nullptr ? &task->executor() : nullptr);
            child.resume();
            return child.promise().awaiterSuspends();
        }
        T await_resume() { return child.promise().takeResult(); }
    };

    Awaiter operator co_await() && noexcept {
        assert(m_handle && "awaiting an empty task");
        return Awaiter{m_handle};
    }
    Awaiter operator co_await() & noexcept {
        assert(m_handle && "awaiting an empty task");
        return Awaiter{m_handle};
    }

private:
    Handle m_handle;
};

namespace detail {

template <class T> Task<T> TaskPromise<T>::get_return_object() noexcept {
    return Task<T>(std::coroutine_handle<TaskPromise<T>>::from_promise(*this));
}

inline Task<void> TaskPromise<void>::get_return_object() noexcept {
    return Task<void>(std::coroutine_handle<TaskPromise<void>>::from_promise(*this));
}

// A self-destroying coroutine that drives a task from an executor job: the
// root of an unstructured task or of a structured child.
struct Driver {
    struct promise_type {
        Driver get_return_object() noexcept {
            return Driver{std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        std::suspend_never final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { std::terminate(); }
    };
    std::coroutine_handle<promise_type> handle;

    // Queues the first step of the driver on task's executor.
    void start(TaskState& task) && { ResumeTarget{handle, &task}.post(); }
};

template <class F> using BodyTask = std::invoke_result_t<F&>;

template <class F> using BodyResult = typename BodyTask<F>::value_type;

template <class F>
concept TaskBody = requires(F& f) {
    typename BodyTask<F>::value_type;
    requires std::is_same_v<BodyTask<F>, Task<typename BodyTask<F>::value_type>>;
};

} // namespace detail

} // namespace lumra
