// The throwing task group: children run concurrently on the current executor;
// next() yields their results in completion order and rethrows a child's
// error. withThrowingTaskGroup owns the group: when the body throws (a
// child's error or its own) the remaining children are cancelled, all are
// waited for, then that first error is rethrown. Cancelling the enclosing
// task cancels every child; the group still joins them all.
#pragma once

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Task.h"
#include "concurrency/TaskState.h"
#include "concurrency/WhenAll.h"

#include <cassert>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <variant>

namespace lumra {

template <class T> class ThrowingTaskGroup;

namespace detail {

template <class T> class GroupState {
public:
    using Value = ValueOrMonostate<T>;
    using Outcome = std::variant<Value, std::exception_ptr>;

    explicit GroupState(TaskState& parent) : scope(parent.executor(), parent.priority()) {
        scope.linkToParent(parent);
    }

    TaskState scope; // the children's parent: cancelAll cancels it

    void childStarted() {
        std::lock_guard lock(m_mutex);
        ++m_running;
    }
    void childFinished(Outcome outcome) {
        std::optional<ResumeTarget> waiter;
        {
            std::lock_guard lock(m_mutex);
            --m_running;
            m_finished.push_back(std::move(outcome));
            waiter.swap(m_waiter);
        }
        if (waiter)
            waiter->post();
    }
    // True when next() has an answer now: a finished child, or no children.
    bool ready() const {
        std::lock_guard lock(m_mutex);
        return !m_finished.empty() || m_running == 0;
    }
    bool suspendFor(ResumeTarget waiter) {
        std::lock_guard lock(m_mutex);
        if (!m_finished.empty() || m_running == 0)
            return false;
        m_waiter = waiter;
        return true;
    }
    std::optional<Outcome> take() {
        std::lock_guard lock(m_mutex);
        if (m_finished.empty())
            return std::nullopt;
        Outcome outcome = std::move(m_finished.front());
        m_finished.pop_front();
        return outcome;
    }
    bool isEmpty() const {
        std::lock_guard lock(m_mutex);
        return m_finished.empty() && m_running == 0;
    }

private:
    mutable std::mutex m_mutex;
    std::size_t m_running = 0;
    std::deque<Outcome> m_finished;
    std::optional<ResumeTarget> m_waiter;
};

template <class T, class Body>
Driver driveGroupChild(std::shared_ptr<GroupState<T>> group, std::shared_ptr<TaskState> state,
                       Body body) {
    typename GroupState<T>::Outcome outcome;
    try {
        if constexpr (std::is_void_v<T>) {
            co_await body();
            outcome = std::monostate{};
        } else {
            outcome = co_await body();
        }
    } catch (...) {
        outcome = std::current_exception();
    }
    state->unlinkFromParent();
    group->childFinished(std::move(outcome));
}

template <class R, class T, class Body> Task<R> runGroup(Body body);

} // namespace detail

template <class T> class ThrowingTaskGroup {
public:
    using Value = detail::ValueOrMonostate<T>;

    ThrowingTaskGroup(const ThrowingTaskGroup&) = delete;
    ThrowingTaskGroup& operator=(const ThrowingTaskGroup&) = delete;

    // A child added after cancelAll() or the enclosing task's cancellation
    // starts cancelled.
    template <detail::TaskBody Body> void addTask(Body body) {
        static_assert(std::is_same_v<detail::BodyResult<Body>, T>,
                      "a child must yield the group's type");
        auto state =
            std::make_shared<TaskState>(m_state->scope.executor(), m_state->scope.priority());
        state->linkToParent(m_state->scope);
        m_state->childStarted();
        auto driver = detail::driveGroupChild<T>(m_state, state, std::move(body));
        std::move(driver).start(*state);
    }

    struct NextAwaiter {
        std::shared_ptr<detail::GroupState<T>> group;
        bool await_ready() const { return group->ready(); }
        bool await_suspend(std::coroutine_handle<> h) {
            return group->suspendFor(ResumeTarget::current(h));
        }
        std::optional<Value> await_resume() {
            auto outcome = group->take();
            if (!outcome)
                return std::nullopt;
            if (outcome->index() == 1)
                std::rethrow_exception(std::get<1>(*outcome));
            return std::move(std::get<0>(*outcome));
        }
    };
    // The next child's result in completion order; nullopt when none is left.
    NextAwaiter next() { return NextAwaiter{m_state}; }

    void cancelAll() noexcept { m_state->scope.cancel(); }
    bool isCancelled() const noexcept { return m_state->scope.isCancelled(); }
    bool isEmpty() const { return m_state->isEmpty(); }

private:
    template <class R, class U, class Body> friend Task<R> detail::runGroup(Body body);

    explicit ThrowingTaskGroup(TaskState& parent)
        : m_state(std::make_shared<detail::GroupState<T>>(parent)) {}

    Task<void> waitForAll() {
        bool more = true;
        while (more) {
            try {
                auto outcome = co_await next();
                more = outcome.has_value();
            } catch (const CancellationError&) {
                // Outcomes nobody asked for are discarded.
            } catch (...) {
                LUMRA_LOG_CAUGHT("tasks", "a group's child failed and nobody asked");
            }
        }
    }

    std::shared_ptr<detail::GroupState<T>> m_state;
};

namespace detail {

template <class R, class T, class Body> Task<R> runGroup(Body body) {
    TaskState* parent = currentTask();
    assert(parent != nullptr && "a task group runs inside a task");
    ThrowingTaskGroup<T> group(*parent);
    std::exception_ptr error;
    std::optional<ValueOrMonostate<R>> result;
    try {
        if constexpr (std::is_void_v<R>) {
            co_await body(group);
            result.emplace();
        } else {
            result.emplace(co_await body(group));
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        group.cancelAll();
    co_await group.waitForAll();
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<R>)
        co_return std::move(*result);
}

} // namespace detail

// co_await withThrowingTaskGroup<ChildResult>([&](ThrowingTaskGroup<ChildResult>& group)
//                                              -> Task<R> { ... });
template <class T, class Body>
auto withThrowingTaskGroup(Body body)
    -> Task<typename std::invoke_result_t<Body&, ThrowingTaskGroup<T>&>::value_type> {
    using R = typename std::invoke_result_t<Body&, ThrowingTaskGroup<T>&>::value_type;
    return detail::runGroup<R, T>(std::move(body));
}

} // namespace lumra
