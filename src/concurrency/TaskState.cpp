#include "concurrency/TaskState.h"

#include <cassert>

namespace lumra {

namespace {

thread_local TaskState* t_currentTask = nullptr;

} // namespace

TaskState* currentTask() noexcept {
    return t_currentTask;
}

CurrentTaskScope::CurrentTaskScope(TaskState* task) noexcept : m_previous(t_currentTask) {
    t_currentTask = task;
}

CurrentTaskScope::~CurrentTaskScope() {
    t_currentTask = m_previous;
}

ResumeTarget ResumeTarget::current(std::coroutine_handle<> h) noexcept {
    assert(t_currentTask != nullptr && "a task frame suspends only inside a task");
    return ResumeTarget{h, t_currentTask};
}

void ResumeTarget::post() const {
    TaskState* task = this->task;
    std::coroutine_handle<> handle = this->handle;
    task->executor().post(
        [task, handle] {
            CurrentTaskScope scope(task);
            handle.resume();
        },
        task->priority());
}

} // namespace lumra
