// The one bridge from a cancellable wait on the outside (a timer, a child
// process, a bus call) into a task. The first of the operation's answer and
// the task's cancellation ends the wait; the other is ignored. Cancellation
// first resumes the task with its error, then runs the stop action the
// operation registered, so a stop that makes the operation answer can never
// report the cancellation as something else. A task cancelled before the wait
// begins is resumed with the error and the operation never starts.
//
// Resumption is posted to the awaiting task's executor (a checked
// continuation underneath). The lock is never held while resuming or
// stopping.
#pragma once

#include "concurrency/Cancellation.h"
#include "concurrency/Continuation.h"

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace lumra {

namespace detail {

template <class T> class CancellableState {
public:
    using Checked = CheckedThrowingContinuation<T>;

    // False when the wait already ended (cancelled before it began): the task
    // has then been resumed with that error.
    bool attach(Checked continuation) {
        std::unique_lock lock(m_mutex);
        if (m_ended) {
            auto error = std::move(m_earlyError);
            lock.unlock();
            continuation.resumeThrowing(std::move(error));
            return false;
        }
        m_continuation.emplace(std::move(continuation));
        return true;
    }

    // deliver(continuation) runs for the call that ends the wait.
    template <class Deliver> bool end(Deliver deliver) {
        std::optional<Checked> waiting;
        std::function<void()> dropped;
        {
            std::lock_guard lock(m_mutex);
            if (m_ended)
                return false;
            m_ended = true;
            waiting.swap(m_continuation);
            // The stop action may hold what holds this state: let it go.
            dropped.swap(m_stop);
        }
        if (waiting)
            deliver(*waiting);
        return true;
    }

    void cancel(std::exception_ptr error) {
        std::optional<Checked> waiting;
        std::function<void()> stop;
        {
            std::lock_guard lock(m_mutex);
            m_cancelled = true;
            if (m_ended)
                return;
            m_ended = true;
            // Kept only for a wait that has not begun: a state released on
            // another thread must not hold the error the task already took.
            if (!m_continuation)
                m_earlyError = error;
            waiting.swap(m_continuation);
            stop.swap(m_stop);
        }
        if (waiting)
            waiting->resumeThrowing(std::move(error));
        if (stop)
            stop();
    }

    void setStop(std::function<void()> stop) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_ended) {
                m_stop = std::move(stop);
                return;
            }
            if (!m_cancelled)
                return; // answered already: nothing to stop
        }
        stop();
    }

    bool hasEnded() const {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }

private:
    mutable std::mutex m_mutex;
    bool m_ended = false;
    bool m_cancelled = false;
    std::exception_ptr m_earlyError;
    std::optional<Checked> m_continuation;
    std::function<void()> m_stop;
};

} // namespace detail

template <class T> class CancellableContinuation {
public:
    explicit CancellableContinuation(std::shared_ptr<detail::CancellableState<T>> state)
        : m_state(std::move(state)) {}

    // Each returns true for the call that ended the wait.
    template <class U = T>
    requires(!std::is_void_v<U>) bool resume(U value) const {
        return m_state->end([&](const auto& waiting) { waiting.resume(std::move(value)); });
    }
    template <class U = T>
    requires std::is_void_v<U>
    bool resume() const {
        return m_state->end([](const auto& waiting) { waiting.resume(); });
    }
    bool resumeThrowing(std::exception_ptr error) const {
        return m_state->end([&](const auto& waiting) { waiting.resumeThrowing(std::move(error)); });
    }
    template <class E> bool resumeThrowing(E error) const {
        return resumeThrowing(std::make_exception_ptr(std::move(error)));
    }

    // What ends the operation when the task is cancelled; it runs after the
    // task was resumed with the cancellation error, on the cancelling thread,
    // or at once when the cancellation came first. One action per wait; it is
    // dropped unrun when the operation answers first.
    void onCancel(std::function<void()> stop) const { m_state->setStop(std::move(stop)); }

    bool hasEnded() const { return m_state->hasEnded(); }

private:
    std::shared_ptr<detail::CancellableState<T>> m_state;
};

// co_await withCancellableContinuation<T>(start, cancelledError): start(c)
// begins the operation, which ends the wait through c exactly once; the
// awaiting task throws what cancelledError() returns (an exception_ptr) when
// it is cancelled first. Without cancelledError it throws CancellationError.
template <class T, class Start, class MakeCancelledError>
Task<T> withCancellableContinuation(Start start, MakeCancelledError cancelledError) {
    auto state = std::make_shared<detail::CancellableState<T>>();
    auto begin = [state, start = std::move(start)](CheckedThrowingContinuation<T> checked) mutable {
        if (state->attach(std::move(checked)))
            start(CancellableContinuation<T>(state));
    };
    auto onCancel = [state, cancelledError = std::move(cancelledError)] {
        state->cancel(cancelledError());
    };
    auto wait = withCheckedThrowingContinuation<T>(std::move(begin));
    co_return co_await withTaskCancellationHandler(std::move(wait), std::move(onCancel));
}

namespace detail {
struct MakeCancellationError {
    std::exception_ptr operator()() const { return std::make_exception_ptr(CancellationError()); }
};
} // namespace detail

template <class T, class Start> Task<T> withCancellableContinuation(Start start) {
    return withCancellableContinuation<T>(std::move(start), detail::MakeCancellationError{});
}

} // namespace lumra
