// Structured children that run concurrently with the task that starts them,
// on its executor, cancelled with it. whenAll starts several and awaits them
// in the given order: on the first error it cancels the later ones, waits for
// all, then rethrows that error. It returns only once every child has ended,
// so no child outlives the scope that started it.
#pragma once

#include "concurrency/Task.h"
#include "concurrency/TaskCore.h"

#include <array>
#include <cassert>
#include <memory>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

namespace lumra {

namespace detail {

template <class T>
using ValueOrMonostate = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

template <class T, class Body> Driver driveChild(std::shared_ptr<TaskCore<T>> core, Body body) {
    co_await runInto(*core, body);
    core->finish();
}

// Starts body as a structured child of the current task.
template <class T, class Body> std::shared_ptr<TaskCore<T>> startChild(Body body) {
    TaskState* parent = currentTask();
    assert(parent != nullptr && "structured children start inside a task");
    auto core = std::make_shared<TaskCore<T>>(parent->executor(), parent->priority());
    core->state.linkToParent(*parent);
    auto driver = driveChild<T>(core, std::move(body));
    std::move(driver).start(core->state);
    return core;
}

struct JoinAwaiter {
    TaskCoreBase* core;
    bool await_ready() const { return core->isFinished(); }
    bool await_suspend(std::coroutine_handle<> h) {
        return core->addWaiter(ResumeTarget::current(h));
    }
    void await_resume() const noexcept {}
};

// Waits for every core in order; after the first error cancels the rest,
// still waits for them, then rethrows it. The cores belong to the caller's
// frame, which outlives this one.
Task<void> joinInOrder(std::vector<TaskCoreBase*> cores);

template <class T> auto wrapTask(Task<T> task) {
    return [task = std::move(task)]() mutable {
        return std::move(task);
    };
}

template <class T> ValueOrMonostate<T> takeValue(TaskCore<T>& core) {
    if constexpr (std::is_void_v<T>) {
        core.takeResult();
        return {};
    } else {
        return core.takeResult();
    }
}

} // namespace detail

// Runs the tasks concurrently; void results become std::monostate.
template <class... Ts>
Task<std::tuple<detail::ValueOrMonostate<Ts>...>> whenAll(Task<Ts>... tasks) {
    // A braced list starts the children left to right; function arguments
    // would be evaluated in any order.
    std::tuple<std::shared_ptr<detail::TaskCore<Ts>>...> cores{
        detail::startChild<Ts>(detail::wrapTask(std::move(tasks)))...};
    co_await detail::joinInOrder(std::apply(
        [](auto&... core) { return std::vector<detail::TaskCoreBase*>{core.get()...}; }, cores));
    co_return std::apply([](auto&... core) { return std::make_tuple(detail::takeValue(*core)...); },
                         cores);
}

template <class T>
Task<std::vector<detail::ValueOrMonostate<T>>> whenAll(std::vector<Task<T>> tasks) {
    std::vector<std::shared_ptr<detail::TaskCore<T>>> cores;
    std::vector<detail::TaskCoreBase*> order;
    for (Task<T>& task : tasks) {
        cores.push_back(detail::startChild<T>(detail::wrapTask(std::move(task))));
        order.push_back(cores.back().get());
    }
    co_await detail::joinInOrder(std::move(order));
    std::vector<detail::ValueOrMonostate<T>> values;
    values.reserve(cores.size());
    for (auto& core : cores)
        values.push_back(detail::takeValue(*core));
    co_return values;
}

} // namespace lumra
