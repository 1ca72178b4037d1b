// Cancellation of the current task. Cancelling is cooperative: code checks
// isCancelled()/checkCancellation(), and operations that wait on the outside
// register a handler that ends the wait.
#pragma once

#include "concurrency/Task.h"

#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <utility>

namespace lumra {

// Thrown by an operation that ended because its task was cancelled.
class CancellationError final : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
    bool operator==(const CancellationError&) const noexcept { return true; }
};

// Whether the current task is cancelled; false outside any task.
inline bool isCancelled() noexcept {
    const TaskState* task = currentTask();
    return task != nullptr && task->isCancelled();
}

inline void checkCancellation() {
    if (isCancelled())
        throw CancellationError();
}

namespace detail {

template <class A> struct AwaitResultOf {
    using type = decltype(std::declval<A&>().await_resume());
};
template <class T> struct AwaitResultOf<Task<T>> { using type = T; };

} // namespace detail

// Awaits operation with onCancel registered for the current task. onCancel is
// registered before the operation starts; it runs at once when the task is
// already cancelled (the operation still runs), and otherwise on the thread
// that cancels. It is removed, and waited for if it is running elsewhere,
// before the operation's result is delivered. onCancel must be quick and must
// not throw: it only signals the operation to end.
template <class Awaitable, class OnCancel>
auto withTaskCancellationHandler(Awaitable operation, OnCancel onCancel)
    -> Task<typename detail::AwaitResultOf<Awaitable>::type> {
    using Result = typename detail::AwaitResultOf<Awaitable>::type;
    TaskState* task = currentTask();
    if (task == nullptr)
        co_return co_await std::move(operation);
    if constexpr (std::is_void_v<Result>) {
        {
            std::stop_callback<OnCancel> registration(task->token(), std::move(onCancel));
            co_await std::move(operation);
        }
        co_return;
    } else {
        std::optional<Result> result;
        {
            std::stop_callback<OnCancel> registration(task->token(), std::move(onCancel));
            result.emplace(co_await std::move(operation));
        }
        co_return std::move(*result);
    }
}

} // namespace lumra
