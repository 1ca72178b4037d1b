// Checked continuations bridge callback APIs (process exit, HTTP completion,
// bus replies) into tasks. The first resume wins and later ones are ignored;
// the resumption is posted to the awaiting task's executor. A continuation
// whose every copy is dropped unresumed (a bug in the bridge) resumes its task
// with BrokenContinuationError, so a lost callback cannot hang a task.
#pragma once

#include "concurrency/TaskState.h"

#include <atomic>
#include <cassert>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace lumra {

class BrokenContinuationError final : public std::logic_error {
public:
    BrokenContinuationError() : std::logic_error("continuation dropped without being resumed") {}
};

namespace detail {

template <class T> struct ContinuationValue {
    std::optional<T> value;
    void take(T&& v) { value.emplace(std::move(v)); }
    T get() { return std::move(*value); }
};
template <> struct ContinuationValue<void> {
    void get() {}
};

template <class T> class ContinuationState {
public:
    ResumeTarget target;

    // The first caller wins; it stores the outcome and posts the resumption.
    template <class Store> bool complete(Store&& store) {
        bool expected = false;
        if (!m_done.compare_exchange_strong(expected, true, std::memory_order_acq_rel))
            return false;
        store(*this);
        target.post();
        return true;
    }

    // Moves the error out, so its last reference is dropped on the awaiting
    // thread, not on whichever thread releases the state last.
    T result() {
        if (error)
            std::rethrow_exception(std::exchange(error, nullptr));
        return outcome.get();
    }

    ContinuationValue<T> outcome;
    std::exception_ptr error;

private:
    std::atomic<bool> m_done{false};
};

// Shared by every copy of one continuation; its end tells that the last copy
// is gone.
template <class T, bool Throwing> struct ContinuationOwner {
    std::shared_ptr<ContinuationState<T>> state;
    ~ContinuationOwner() {
        state->complete([](ContinuationState<T>& s) {
            s.error = std::make_exception_ptr(BrokenContinuationError());
        });
    }
};

template <class T, bool Throwing> class ContinuationBase {
public:
    explicit ContinuationBase(std::shared_ptr<ContinuationOwner<T, Throwing>> owner)
        : m_owner(std::move(owner)) {}

    // True for the call that resumed the task.
    template <class U = T>
    requires(!std::is_void_v<U>) bool resume(U value) const {
        return m_owner->state->complete(
            [&](ContinuationState<T>& s) { s.outcome.take(std::move(value)); });
    }
    template <class U = T>
    requires std::is_void_v<U>
    bool resume() const {
        return m_owner->state->complete([](ContinuationState<T>&) {});
    }

protected:
    std::shared_ptr<ContinuationOwner<T, Throwing>> m_owner;
};

template <class T, bool Throwing, class F> class ContinuationAwaiter {
public:
    explicit ContinuationAwaiter(F fn)
        : m_fn(std::move(fn)), m_state(std::make_shared<ContinuationState<T>>()) {}

    bool await_ready() const noexcept { return false; }

    template <class C> void suspendWith(std::coroutine_handle<> h) {
        m_state->target = ResumeTarget::current(h);
        auto state = m_state;
        auto owner = std::make_shared<ContinuationOwner<T, Throwing>>();
        owner->state = state;
        // fn and the state leave the frame first: once fn resumes us, the
        // frame may be running, or gone, on another thread.
        F fn = std::move(m_fn);
        try {
            fn(C(owner));
        } catch (...) {
            // A bridge that failed to start resumes with its error, unless it
            // resumed us before throwing.
            state->complete([](ContinuationState<T>& s) { s.error = std::current_exception(); });
        }
    }

    T await_resume() { return m_state->result(); }

protected:
    F m_fn;
    std::shared_ptr<ContinuationState<T>> m_state;
};

} // namespace detail

template <class T> class CheckedContinuation : public detail::ContinuationBase<T, false> {
public:
    using detail::ContinuationBase<T, false>::ContinuationBase;
};

template <class T> class CheckedThrowingContinuation : public detail::ContinuationBase<T, true> {
public:
    using detail::ContinuationBase<T, true>::ContinuationBase;

    bool resumeThrowing(std::exception_ptr error) const {
        return this->m_owner->state->complete(
            [&](detail::ContinuationState<T>& s) { s.error = std::move(error); });
    }
    template <class E> bool resumeThrowing(E error) const {
        return resumeThrowing(std::make_exception_ptr(std::move(error)));
    }
};

namespace detail {

template <class T, class F> class CheckedAwaiter : public ContinuationAwaiter<T, false, F> {
public:
    using ContinuationAwaiter<T, false, F>::ContinuationAwaiter;
    void await_suspend(std::coroutine_handle<> h) {
        this->template suspendWith<CheckedContinuation<T>>(h);
    }
};

template <class T, class F> class CheckedThrowingAwaiter : public ContinuationAwaiter<T, true, F> {
public:
    using ContinuationAwaiter<T, true, F>::ContinuationAwaiter;
    void await_suspend(std::coroutine_handle<> h) {
        this->template suspendWith<CheckedThrowingContinuation<T>>(h);
    }
};

} // namespace detail

// co_await withCheckedContinuation<T>([](CheckedContinuation<T> c) { ... });
template <class T, class F> auto withCheckedContinuation(F fn) {
    return detail::CheckedAwaiter<T, F>(std::move(fn));
}

// co_await withCheckedThrowingContinuation<T>([](CheckedThrowingContinuation<T> c) { ... });
template <class T, class F> auto withCheckedThrowingContinuation(F fn) {
    return detail::CheckedThrowingAwaiter<T, F>(std::move(fn));
}

} // namespace lumra
